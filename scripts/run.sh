#!/usr/bin/env bash
# Builds Orvex and shows it on its default parameter set.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

out=build/default
"$out/src/cli/orvex-cli" write "$out/default.ovx"
"$out/src/cli/orvex-cli" info "$out/default.ovx"
"$out/src/cli/orvex-cli" eval "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )" 1 2
