#!/usr/bin/env bash
# Builds Orvex from scratch and runs every test suite: the normal build, then the
# address + undefined-behaviour sanitizer build. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in default sanitize; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset"
done
