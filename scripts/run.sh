#!/usr/bin/env bash
# Installs what is missing, builds the program and the demo catalogue beside
# it, and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
BUILD_DIR=${KODRIX_BUILD_DIR:-build}
exec "$BUILD_DIR/bin/Kodrix" "$@"
