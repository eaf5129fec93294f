#!/usr/bin/env bash
# Makes packaging/org.paarix.Paarix.ico, the icon of paarix.exe, from the game's one
# picture, packaging/org.paarix.Paarix.svg (the Linux desktop's icon): the sizes 16, 24,
# 32 and 48 as bitmaps, 256 as PNG, as Explorer picks them. The .ico is checked in, so
# that no Windows build needs these tools; run this again whenever the SVG changes.
#   packaging/make-ico.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh
install_missing "${ICON_PACKAGES[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 256; do
  rsvg-convert --width "$size" --height "$size" --output "$work/$size.png" packaging/org.paarix.Paarix.svg
done
icotool --create --output packaging/org.paarix.Paarix.ico "$work"/{16,24,32,48}.png --raw="$work/256.png"
icotool --list packaging/org.paarix.Paarix.ico
