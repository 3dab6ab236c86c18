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
cmake --build "$BUILD_DIR" --target kodrix-pack kodrix-cli rtf_plaintext "${benches[@]}" -j "$(nproc)"

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
  elif [ "$b" = jpeg_bench ] || [ "$b" = walkthrough_bench ]; then
    "$BUILD_DIR/bin/$b" "$CATALOGUE" "$RUNS"
  elif [ "$b" = rtf_bench ]; then
    "$BUILD_DIR/bin/$b" "$BUILD_DIR/bench-walkthrough.rtf" "$BUILD_DIR/bin/rtf_plaintext" "$BUILD_DIR/bin/kodrix-cli" "$RUNS"
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
  # The search verb against the plain-text tools over the same lists: a
  # typical query and the empty one (every name), whole processes.
  for QUERY in racer ""; do
    echo "== hyperfine: kodrix-cli search MegaBox '$QUERY' vs grep -i -F | sort -f"
    hyperfine -N --warmup 3 --runs "$RUNS" \
      "$BUILD_DIR/bin/kodrix-cli --catalogue $CATALOGUE search MegaBox '$QUERY'" \
      "bash -c 'LC_ALL=C grep -i -F -h -e \"$QUERY\" $CATALOGUE/MegaBox/*.dat | LC_ALL=C sort -f'" --output=null
  done
  RTF="$BUILD_DIR/bench-walkthrough.rtf"
  echo "== hyperfine: rtf_plaintext vs unrtf --text on $RTF"
  hyperfine -N --warmup 3 --runs "$RUNS" \
    "$BUILD_DIR/bin/rtf_plaintext $RTF" "unrtf --text $RTF" --output=null
else
  echo "(hyperfine not installed: process timings above come from the benchmarks' own loops)"
fi
