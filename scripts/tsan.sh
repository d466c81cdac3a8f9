#!/usr/bin/env bash
# Builds the thread-sanitizer build (preset tsan) and runs the tests in which
# more than one thread takes part: the drawing thread and its controller, the
# window's face of it, the parallel grid sampler, orvex-cli's renders, the
# window program on the offscreen platform, and a short start/stop stress.
# Any race report fails the test it comes from (the sanitizer's exit code 66).
# scripts/tsan.supp names the uninstrumented libraries whose own accesses are
# left out, and nothing else.
#
#   scripts/tsan.sh [BUILD_DIR]       (default build/tsan)
#   ORVEX_STRESS_RUNS=N               stress runs under the sanitizer (200)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/tsan}

# The stress program lives with the benchmarks, which the preset leaves out.
cmake --preset tsan -B "$build" -DORVEX_BUILD_BENCH=ON
cmake --build "$build" -j "$(nproc)"

export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --test-dir "$build" --output-on-failure --no-tests=error \
  -R '^(DrawingThread|DrawingRunFace|GridParallel|RenderCli|WindowTest|DocumentTest|FormulaBoxTest|PanelTest|DialogTest|ParamPaneTest)\.'
ORVEX_STRESS_RUNS=${ORVEX_STRESS_RUNS:-200} "$build/bench/bench_stress" --runs-only
