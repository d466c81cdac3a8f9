#!/usr/bin/env bash
# Renders res/icons/orvex.svg into the PNG sizes the program and the desktop
# icon theme use (res/icons/orvex-N.png). The PNGs are committed, so a build
# never needs this script or its converter (rsvg-convert, Debian package
# librsvg2-bin); run it again after changing the SVG.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
svg="$root/res/icons/orvex.svg"
sizes=(16 24 32 48 64 128 256)

if ! command -v rsvg-convert >/dev/null 2>&1; then
  echo "make-icons.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
  exit 1
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Below 48 px the eight grid lines per side run together into grey, so the
# small sizes keep every second line and draw the lines that stay thicker.
# Widths are in the SVG's 256-unit space: 11 units are 0.7 px at 16 px.
cat >"$tmp/16.css" <<'EOF'
.minor { display: none; }
.major { stroke-width: 11; }
.edge { stroke-width: 16; }
EOF
cat >"$tmp/24.css" <<'EOF'
.minor { display: none; }
.major { stroke-width: 8; }
.edge { stroke-width: 11; }
EOF
cat >"$tmp/32.css" <<'EOF'
.edge, .major, .minor { stroke-width: 6; }
EOF

for size in "${sizes[@]}"; do
  style=()
  if [ -f "$tmp/$size.css" ]; then style=(--stylesheet "$tmp/$size.css"); fi
  rsvg-convert "${style[@]}" --width "$size" --height "$size" --format png \
    --output "$root/res/icons/orvex-$size.png" "$svg"
  echo "res/icons/orvex-$size.png"
done
