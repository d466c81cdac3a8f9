#!/usr/bin/env bash
# Measures Orvex against its baselines in one go and writes the ratios into
# bench/BENCHMARKS.md (between the "compare" markers).
#
#   bench/compare.sh [ROUNDS]      (default 3 rounds of the whole-process renders)
#
# Sampling: the Google Benchmark program bench_sampling, benchmarks interleaved at
# random. Whole process: orvex-cli render against gnuplot (pm3d, hidden3d, contour)
# and matplotlib, 1024x768, N = 500, run round-robin so that a noisy neighbour hurts
# every tool alike; the median wall time and the peak memory of each are reported.
# Tools that are not installed are left out of the table.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
build=build/default
cli=$build/src/cli/orvex-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== sampling benchmarks" >&2
"$build/bench/bench_sampling" --benchmark_enable_random_interleaving=true \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/sampling.json"

declare -A cmds
order=()
add() { order+=("$1"); cmds[$1]=$2; }
common="--size 1024x768 --set m_nMesh=500"
add orvex_shaded "$cli render $common --set m_nDrawStyle=0 --set m_bShading=1 -o $work/o1.png"
add orvex_hidden "$cli render $common --set m_nDrawStyle=0 --set m_bShading=0 --set m_bHiddenLine=1 -o $work/o2.png"
add orvex_contour "$cli render $common --set m_nDrawStyle=5 --set m_dContourStep=0.05 -o $work/o3.png"
add orvex_contour_01 "$cli render $common --set m_nDrawStyle=5 --set m_dContourStep=0.1 -o $work/o4.png"
add orvex_contour_001 "$cli render $common --set m_nDrawStyle=5 --set m_dContourStep=0.01 -o $work/o5.png"
if command -v gnuplot >/dev/null; then
  add gnuplot_pm3d "gnuplot -e \"set output '$work/g1.png'\" bench/peers/pm3d.gp"
  add gnuplot_hidden3d "gnuplot -e \"set output '$work/g2.png'\" bench/peers/hidden3d.gp"
  add gnuplot_contour "gnuplot -e \"set output '$work/g3.png'\" bench/peers/contour.gp"
fi
if /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
  add matplotlib_surface "/usr/bin/python3 bench/peers/surface.py $work/m1.png"
fi

: >"$work/runs.txt"
for ((r = 1; r <= rounds; r++)); do
  for name in "${order[@]}"; do
    # gnuplot's hidden3d takes tens of seconds a run; one run of it is enough.
    if [ "$name" = gnuplot_hidden3d ] && [ "$r" -gt 1 ]; then continue; fi
    echo "== round $r: $name" >&2
    if [[ $name == gnuplot_* ]]; then
      (cd bench/peers && /usr/bin/time -f "$name %e %M" -a -o "$work/runs.txt" \
        bash -c "${cmds[$name]//bench\/peers\//}" >/dev/null 2>&1)
    else
      /usr/bin/time -f "$name %e %M" -a -o "$work/runs.txt" bash -c "${cmds[$name]}" >/dev/null
    fi
  done
done

echo "== display loop" >&2
"$build/bench/bench_display" >"$work/display.md"

/usr/bin/python3 bench/report.py "$work/sampling.json" "$work/runs.txt" "$rounds" bench/BENCHMARKS.md \
  "$work/display.md"
echo "written: bench/BENCHMARKS.md" >&2
