#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Quick and silent when everything is there: no apt-get update then.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins
  # Qt's own Russian texts (standard dialogs, buttons, context menus)
  qt6-translations-l10n
  libjpeg62-turbo-dev libjpeg-turbo-progs libgtest-dev
  clang libclang-rt-14-dev
  icoutils binutils-mingw-w64-i686
  unrtf
  xvfb xauth
  fonts-dejavu-core
  hyperfine
  # the end-to-end run on a real display (scripts/e2e.sh)
  openbox trayer xdotool wmctrl x11-utils imagemagick
  # the package (cpack -G DEB) and the checks of its desktop files
  dpkg-dev desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
