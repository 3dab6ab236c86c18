#!/usr/bin/env bash
# Remakes the README's screenshots in docs/screenshots/: the end-to-end run
# (scripts/e2e.sh) takes them on the demo catalogue, on a virtual display with
# a window manager; each is reduced to 64 colours to stay small.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
BUILD_DIR=$(realpath "${KODRIX_BUILD_DIR:-build}")
SHOTS=(page-1-codes page-2-walkthroughs page-3-search page-4-chart page-5-settings viewer)
for shot in "${SHOTS[@]}"; do rm -f "$BUILD_DIR/e2e/$shot.png"; done
KODRIX_BUILD_DIR="$BUILD_DIR" ./scripts/e2e.sh
mkdir -p docs/screenshots
for shot in "${SHOTS[@]}"; do
  [ -f "$BUILD_DIR/e2e/$shot.png" ] || { echo "readme-shots: the end-to-end run made no $shot.png"; exit 1; }
  # page-1-codes.png -> codes.png; -strip leaves out the capture's time
  convert "$BUILD_DIR/e2e/$shot.png" +dither -colors 64 -strip "PNG8:docs/screenshots/${shot#page-?-}.png"
done
ls -l docs/screenshots
