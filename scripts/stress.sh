#!/usr/bin/env bash
# Builds and runs the start/stop stress program (bench/bench_stress.cpp):
# 1,000 runs in a row through the window's face, stopped at random moments,
# then the stop times at N = 500 for every style. It is not part of ctest.
# With --asan the runs are repeated in the address + undefined-behaviour
# sanitizer build (preset sanitize), which also reports leaks at the end.
#
#   scripts/stress.sh [--asan]
#   ORVEX_STRESS_RUNS, ORVEX_STOP_RUNS, ORVEX_STRESS_SEED    see bench_stress.cpp
#   STRESS_BUILD, ASAN_BUILD     build folders (build/default, build/sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${STRESS_BUILD:-build/default}
cmake --preset default -B "$build" -DORVEX_BUILD_BENCH=ON
cmake --build "$build" -j "$(nproc)" --target bench_stress
time "$build/bench/bench_stress"

if [[ "${1:-}" == "--asan" ]]; then
  asan=${ASAN_BUILD:-build/sanitize}
  # The preset leaves the benchmarks out; only this program of them is built.
  cmake --preset sanitize -B "$asan" -DORVEX_BUILD_BENCH=ON
  cmake --build "$asan" -j "$(nproc)" --target bench_stress
  # Timings mean nothing under the sanitizer; the runs and the leak check do.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/tests/render/lsan.supp" \
    "$asan/bench/bench_stress" --runs-only
fi
