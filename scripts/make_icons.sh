#!/usr/bin/env bash
# Remakes the application icon's PNGs (res/icons/hicolor/<size>x<size>/apps/orvel.png)
# from the drawing res/icons/hicolor/scalable/apps/orvel.svg. The PNGs are kept in
# the repository, so the build never needs this script or its tool.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  echo "Installing librsvg2-bin (rsvg-convert)" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends librsvg2-bin
fi
icons=res/icons/hicolor
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
    --output "$icons/${size}x${size}/apps/orvel.png" "$icons/scalable/apps/orvel.svg"
  echo "$icons/${size}x${size}/apps/orvel.png"
done
