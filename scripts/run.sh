#!/usr/bin/env bash
# Builds Orvex and draws its default plot. Until the window program exists this is
# the command-line tool: it writes the default parameter set as a parameter file and
# renders it off-screen to a PNG picture.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

out=build/default
cli="$out/src/cli/orvex-cli"
"$cli" write "$out/default.ovx"
"$cli" info "$out/default.ovx"
"$cli" render "$out/default.ovx" -o "$out/default.png"
echo "picture written: $out/default.png"
