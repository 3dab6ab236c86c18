#!/usr/bin/env bash
# Configures (once) and builds the program, the tools, the tests and the demo
# catalogue into build/. KODRIX_WERROR=ON (set by CI) makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KODRIX_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  # ccache, where installed, makes rebuilds of other checkouts cheap.
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
if [ -n "${KODRIX_WERROR:-}" ]; then
  cmake -S . -B "$BUILD_DIR" -DKODRIX_WERROR="$KODRIX_WERROR" >/dev/null
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
