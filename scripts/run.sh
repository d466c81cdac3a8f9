#!/usr/bin/env bash
# Builds Orvex and shows its default plot: opens the window program and starts the
# default computation where a display is available; elsewhere renders the default
# parameter set off-screen with orvex-cli and prints the picture's path.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

out=build/default
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$out/src/gui/orvex" --start "$@"
fi
cli="$out/src/cli/orvex-cli"
"$cli" write "$out/default.ovx"
"$cli" render "$out/default.ovx" -o "$out/default.png"
echo "no display: the default picture is $out/default.png"
