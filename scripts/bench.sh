#!/usr/bin/env bash
# Builds the benchmark targets and runs every benchmark. The large synthetic
# catalogue is generated once into $BUILD_DIR/bench-catalogue (delete it to
# regenerate). Process timings use hyperfine when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KODRIX_BUILD_DIR:-build}
RUNS=${KODRIX_BENCH_RUNS:-30}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
benches=()
for src in bench/*.cpp; do benches+=("$(basename "$src" .cpp)"); done
cmake --build "$BUILD_DIR" --target kodrix-pack kodrix-cli "${benches[@]}" -j "$(nproc)"

CATALOGUE="$BUILD_DIR/bench-catalogue"
if [ ! -f "$CATALOGUE/.complete" ]; then
  echo "Generating the benchmark catalogue into $CATALOGUE ..."
  rm -rf "$CATALOGUE"
  "$BUILD_DIR/bin/kodrix-pack" generate "$CATALOGUE" --seed 1
  touch "$CATALOGUE/.complete"
fi

for b in "${benches[@]}"; do
  echo "== $b"
  if [ "$b" = resource_bench ]; then
    "$BUILD_DIR/bin/$b" "$CATALOGUE" "$BUILD_DIR/bin/kodrix-cli" "$RUNS"
  elif [ "$b" = catalogue_bench ]; then
    "$BUILD_DIR/bin/$b"
  elif [ "$b" = hostile_bench ]; then
    "$BUILD_DIR/bin/$b" "$BUILD_DIR/bin/kodrix-cli"
  else
    "$BUILD_DIR/bin/$b" "$CATALOGUE"
  fi
done

# The same process comparison through hyperfine, when available.
if command -v hyperfine >/dev/null 2>&1; then
  MODULE="$CATALOGUE/MegaBox/S.dll"
  GAME=$(head -n 1 "$CATALOGUE/MegaBox/S.dat" | tr -d '\r' | iconv -f CP1251 -t UTF-8)
  echo "== hyperfine: kodrix-cli codes vs wrestool on $MODULE"
  hyperfine -N --warmup 3 --runs "$RUNS" \
    "$BUILD_DIR/bin/kodrix-cli --catalogue $CATALOGUE codes MegaBox S '$GAME'" \
    "wrestool -x -t 6 $MODULE" --output=null
else
  echo "(hyperfine not installed: process timings above come from resource_bench's own loop)"
fi
