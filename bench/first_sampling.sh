#!/usr/bin/env bash
# A fresh process's first sampling (cold: the grid's pages are not mapped yet)
# against the same sampling into a grid the process already holds (warm), at
# N = 500 and 2000: the sample_ms of `orvex-cli sample --summary` against
# bench_sampling's BM_PictureGrid. Rounds alternate the two, so that a noisy
# neighbour hurts both alike; medians over the rounds.
#
#   bench/first_sampling.sh BUILD_DIR [ROUNDS]     (default 15 rounds)
set -euo pipefail
build=${1:?usage: bench/first_sampling.sh BUILD_DIR [ROUNDS]}
rounds=${2:-15}
cli=$build/src/cli/orvex-cli
bench=$build/bench/bench_sampling
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for ((r = 1; r <= rounds; r++)); do
  for n in 500 2000; do
    "$cli" sample --set m_nMesh=$n --summary | awk '$1 == "sample_ms" { print $2 }' >>"$work/cold$n"
    "$bench" --benchmark_filter="^BM_PictureGrid/$n/" --benchmark_min_time=0.3 2>/dev/null |
      awk '$1 ~ /^BM_PictureGrid/ { print $2 }' >>"$work/warm$n"
  done
done

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
range() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f–%.1f", lo, hi }'; }
echo "| N | cold sample_ms, median (range) | warm BM_PictureGrid ms, median (range) | cold / warm |"
echo "|---:|---:|---:|---:|"
for n in 500 2000; do
  cold=$(median "$work/cold$n")
  warm=$(median "$work/warm$n")
  awk -v n=$n -v c="$cold" -v w="$warm" -v cr="$(range "$work/cold$n")" -v wr="$(range "$work/warm$n")" \
    'BEGIN { printf "| %d | %.1f (%s) | %.1f (%s) | %.2f |\n", n, c, cr, w, wr, c / w }'
done
