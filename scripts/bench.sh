#!/usr/bin/env bash
# Builds the benchmark targets and runs every benchmark. The large synthetic
# catalogue is generated once into $BUILD_DIR/bench-catalogue (delete it to
# regenerate). Process timings use hyperfine when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KODRIX_BUILD_DIR:-build}
RUNS=${KODRIX_BENCH_RUNS:-30}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  # ccache, where installed, makes rebuilds of other checkouts cheap.
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
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
  elif [ "$b" = layout_bench ]; then
    "$BUILD_DIR/bin/$b" "$BUILD_DIR/bin"
  elif [ "$b" = catalogue_bench ]; then
    "$BUILD_DIR/bin/$b"
  elif [ "$b" = jpeg_bench ] || [ "$b" = walkthrough_bench ]; then
    "$BUILD_DIR/bin/$b" "$CATALOGUE" "$RUNS"
  elif [ "$b" = rtf_bench ]; then
    "$BUILD_DIR/bin/$b" "$BUILD_DIR/bench-walkthrough.rtf" "$BUILD_DIR/bin/rtf_plaintext" "$BUILD_DIR/bin/kodrix-cli" "$RUNS"
  elif [ "$b" = hostile_bench ] || [ "$b" = hostile_walkthrough_bench ]; then
    "$BUILD_DIR/bin/$b" "$BUILD_DIR/bin/kodrix-cli"
  else
    "$BUILD_DIR/bin/$b" "$CATALOGUE"
  fi
done

# The idle program on a virtual display, its 1 ms layout timer running: CPU
# time over 10 s (user + system, from /proc), as a share of one core.
if command -v Xvfb >/dev/null 2>&1; then
  echo "== idle CPU: the program on the demo catalogue under Xvfb, 10 s"
  IDLE=$(mktemp -d)
  Xvfb :97 -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  sleep 1
  DISPLAY=:97 XDG_CONFIG_HOME="$IDLE" XDG_RUNTIME_DIR="$IDLE" QT_QPA_PLATFORM=xcb "$BUILD_DIR/bin/Kodrix" >/dev/null 2>&1 &
  PROGRAM=$!
  sleep 3
  BEFORE=$(awk '{print $14 + $15}' /proc/$PROGRAM/stat)
  sleep 10
  AFTER=$(awk '{print $14 + $15}' /proc/$PROGRAM/stat)
  kill $PROGRAM $XVFB 2>/dev/null
  wait $PROGRAM $XVFB 2>/dev/null
  rm -rf "$IDLE"
  echo "CPU: $((AFTER - BEFORE)) of $(( $(getconf CLK_TCK) * 10 )) clock ticks = $(awk "BEGIN { printf \"%.1f\", ($AFTER - $BEFORE) * 100 / ($(getconf CLK_TCK) * 10) }")% of one core"
fi

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
  # kodrix-cli walkthrough against unrtf on the same RTF bytes: the
  # document rtf_bench wrote, packed as the one walkthrough of a catalogue.
  RTF="$BUILD_DIR/bench-walkthrough.rtf"
  WALK="$BUILD_DIR/bench-walkthrough-catalogue"
  mkdir -p "$WALK/sol"
  "$BUILD_DIR/bin/kodrix-pack" walkthrough "$WALK/sol/w.dll" --name Bench --document "$RTF"
  echo "== hyperfine: kodrix-cli walkthrough vs unrtf --text on $RTF"
  hyperfine -N --warmup 3 --runs "$RUNS" \
    "$BUILD_DIR/bin/kodrix-cli --catalogue $WALK walkthrough Bench" "unrtf --text $RTF" --output=null
else
  echo "(hyperfine not installed: process timings above come from the benchmarks' own loops)"
fi
