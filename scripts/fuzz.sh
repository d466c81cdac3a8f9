#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address + undefined-behaviour sanitizers)
# in build/fuzz and runs each for SECONDS on a copy of its seed corpus, so the
# inputs a run finds stay under build/fuzz-work and never land in fuzz/corpus.
#
#   scripts/fuzz.sh [--no-build] [SECONDS] [TARGET...]
#
# SECONDS defaults to 60; TARGET is fuzz_parafile, fuzz_formula or
# fuzz_contour (default: all three, one after the other). --no-build skips the
# package check and the build, for a second run alongside a first. Further
# libFuzzer flags go in FUZZ_FLAGS (e.g. FUZZ_FLAGS=-len_control=0 to try
# inputs of the full length from the start instead of growing them).
# Prints each target's executions, coverage and features from libFuzzer's
# final statistics, and any crash, timeout or out-of-memory input; exits 1 when
# there is one. docs/FUZZING.md describes the targets.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
work="$root/build/fuzz-work"
all_targets=(fuzz_parafile fuzz_formula fuzz_contour)

# Inputs longer than a real one only slow the search down: a parameter file
# with a formula of 128 bytes is 220, a formula at most 4 KiB, a 12 x 12 grid
# with every value in raw bits under 800 bytes.
max_len() {
  case "$1" in
    fuzz_parafile) echo 4096 ;;
    fuzz_formula) echo 4096 ;;
    fuzz_contour) echo 1024 ;;
  esac
}

# Runs one target and reports; returns 1 when it found something.
run_target() {
  local t="$1" seconds="$2"
  local dir="$work/$t"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp -n "$root/fuzz/corpus/$t/"* "$dir/corpus/"
  local extra=()
  if [ "$t" = fuzz_formula ]; then extra+=("-dict=$root/fuzz/formula.dict"); fi
  local flags=()
  read -r -a flags <<<"${FUZZ_FLAGS:-}"
  extra+=("${flags[@]}")
  local log="$dir/fuzz.log"
  echo "== $t: ${seconds}s, log $log"
  # The slowest legitimate input (a contour walk of millions of crossings)
  # takes about two seconds under the sanitizers; past 30 it is a hang.
  local rc=0
  "$build/fuzz/$t" "$dir/corpus" -max_total_time="$seconds" -max_len="$(max_len "$t")" \
    -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "${extra[@]}" >"$log" 2>&1 || rc=$?
  local last runs rate rss found
  last="$(grep -E '^#[0-9]+[[:space:]]+(DONE|NEW|REDUCE|pulse)' "$log" | tail -n 1 || true)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  rss="$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")"
  echo "   executions ${runs:-?} (${rate:-?}/s), peak RSS ${rss:-?} MB, exit $rc"
  echo "   last status: ${last:-none}"
  found="$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' \
    -o -name 'leak-*' \) | sort)"
  if [ -z "$found" ] && [ "$rc" -eq 0 ]; then return 0; fi
  echo "   FOUND:"
  for f in $found; do echo "     $f"; done
  grep -E 'property broken|ERROR: |SUMMARY: ' "$log" | head -n 5 | sed 's/^/     /'
  return 1
}

# Everything runs from here, so the whole file is read before the first
# command: editing it while a long run goes on cannot change that run.
main() {
  local do_build=1 seconds=60
  if [ "${1:-}" = "--no-build" ]; then
    do_build=0
    shift
  fi
  if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds="$1"
    shift
  fi
  local targets=("$@")
  if [ ${#targets[@]} -eq 0 ]; then targets=("${all_targets[@]}"); fi
  local t
  for t in "${targets[@]}"; do
    case " ${all_targets[*]} " in
      *" $t "*) ;;
      *) echo "unknown target: $t (one of: ${all_targets[*]})" >&2; exit 2 ;;
    esac
  done

  if [ "$do_build" -eq 1 ]; then
    "$root/scripts/install-deps.sh" --fuzz
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DORVEX_FUZZ=ON \
      -DORVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target "${all_targets[@]}"
  fi

  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  local status=0
  for t in "${targets[@]}"; do
    run_target "$t" "$seconds" || status=1
  done
  exit $status
}

main "$@"
