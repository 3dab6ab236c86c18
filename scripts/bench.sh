#!/usr/bin/env bash
# Builds the benchmarks (bench/) and runs them; ends with one table: each
# action, its figure, the baseline or floor measured in the same run beside
# it, their ratio, the target and whether the figure meets it.
#
#   scripts/bench.sh [--scale 600000] [--runs N] [--cpu]
#
# Scale: the generated catalogue's big platform holds 60,000 games by default
# ($BUILD_DIR/bench-catalogue, 200,000 games in all, 2,000 walkthroughs);
# --scale N runs the code page, search page and terminal search rows on a
# catalogue whose big platform holds N games ($BUILD_DIR/bench-catalogue-N,
# `kodrix-pack generate --big-platform-games N`). Catalogues are generated
# once; delete the folder to make it again. Start-up, walkthrough, resource
# and picture rows always use the default catalogue.
#
# Figures are medians of wall time, action and baseline timed in turns. With
# --cpu they are CPU time instead (of the process, or of the child process
# and what it waited for): for a machine shared with other work, where wall
# time mostly measures the wait for a core.
#
# Adding a row is one line below:
#  - a whole process beside its baseline, both timed in turns:
#      compare [--target "<=1x"] [--memory] "ACTION" "BASELINE" -- COMMAND... -- BASELINE_COMMAND...
#  - a benchmark program of bench/ (its rows are gathered from its output):
#      bench NAME ARGS...
#    where the program prints each row with one call (bench/BenchSupport.h):
#      bench::row("action", figure, "ms", "baseline", baselineFigure, "<=16ms");
# Targets read "<=16ms" or "<=400MB" (of the figure) or "<=1.2x" (of the ratio).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KODRIX_BUILD_DIR:-build}
RUNS=${KODRIX_BENCH_RUNS:-15}
SCALE=60000
while [ $# -gt 0 ]; do
  case "$1" in
    --scale) SCALE=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --cpu) export KODRIX_BENCH_CLOCK=cpu; shift ;;
    *) echo "usage: scripts/bench.sh [--scale GAMES] [--runs N] [--cpu]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  # ccache, where installed, makes rebuilds of other checkouts cheap.
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
benches=()
for src in bench/*.cpp; do benches+=("$(basename "$src" .cpp)"); done
cmake --build "$BUILD_DIR" --target Kodrix kodrix-pack kodrix-cli rtf_plaintext process_compare read_floor \
  startup_probe "${benches[@]}" -j "$(nproc)"
BIN=$BUILD_DIR/bin
CLI=$BIN/kodrix-cli

generate() {  # generate DIR [OPTIONS...]: a catalogue, once
  local dir=$1; shift
  if [ ! -f "$dir/.complete" ]; then
    echo "Generating the benchmark catalogue into $dir ..."
    rm -rf "$dir"
    "$BIN/kodrix-pack" generate "$dir" --seed 1 "$@"
    touch "$dir/.complete"
  fi
}
CATALOGUE=$BUILD_DIR/bench-catalogue
generate "$CATALOGUE"
SCALED=$CATALOGUE
if [ "$SCALE" != 60000 ]; then
  SCALED=$BUILD_DIR/bench-catalogue-$SCALE
  generate "$SCALED" --big-platform-games "$SCALE"
fi
BIG=MegaBox  # the generator's big platform

# A display of our own for the start-up and idle figures (another run may
# hold any fixed number).
XVFB=""
WORK=$(mktemp -d)
cleanup() {
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
if command -v Xvfb >/dev/null 2>&1; then
  mkfifo "$WORK/display"
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
  XVFB=$!
  if read -r -t 10 number <"$WORK/display"; then
    export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
  else
    kill "$XVFB" 2>/dev/null
    XVFB=""
  fi
fi
ROWS=$BUILD_DIR/bench-rows-$SCALE.txt  # kept: the table's figures, one row a line
: >"$ROWS"

bench() {  # bench NAME ARGS...: runs a benchmark program, its rows gathered
  local name=$1; shift
  echo "== $name"
  "$BIN/$name" "$@" 2>&1 | grep -v '^QStandardPaths' | tee -a "$ROWS" | grep -v '^@row' || true
}
compare() {  # compare [OPTIONS] ACTION BASELINE -- COMMAND... -- BASELINE_COMMAND...
  echo "== ${*:1:3}"
  "$BIN/process_compare" --runs "$RUNS" "$@" | tee -a "$ROWS" | grep -v '^@row' || true
}

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)

# The window's own code, offscreen, on the scaled catalogue's big platform.
QT_QPA_PLATFORM=offscreen bench codepage_bench "$SCALED" "$((RUNS * 4))"
QT_QPA_PLATFORM=offscreen bench search_bench "$SCALED" racer "$RUNS"

# The terminal search against the plain-text tools over the same lists: a
# typical query and the empty one (every name), whole processes.
compare --target "<=1x" "kodrix-cli search $BIG racer" "grep -i -F, then sort -f" \
  -- "$CLI" --catalogue "$SCALED" search "$BIG" racer \
  -- bash -c "LC_ALL=C grep -i -F -h -e racer $SCALED/$BIG/*.dat | LC_ALL=C sort -f"
compare --target "<=1x" --memory "kodrix-cli search $BIG, empty query" "grep -i -F, then sort -f" \
  -- "$CLI" --catalogue "$SCALED" search "$BIG" "" \
  -- bash -c "LC_ALL=C grep -i -F -h -e '' $SCALED/$BIG/*.dat | LC_ALL=C sort -f"

# Start-up to the first shown window: the program beside the 200,000-game
# catalogue against the same program beside the demo catalogue.
cp -f "$BIN/Kodrix" "$CATALOGUE/Kodrix"
bench startup_bench "$BIN/startup_probe.so" "$CATALOGUE/Kodrix" "$BIN/Kodrix" "$RUNS"

# Walkthroughs: one among 2,000 modules against the floor of its lookup
# (the first 8 KB of every module), and a 200 KB document standing alone
# against unrtf on the same RTF bytes.
WALKTHROUGH=$("$CLI" --catalogue "$CATALOGUE" walkthroughs | sed -n 1p)
compare "kodrix-cli walkthrough NAME, 2,000 modules" "reading the first 8 KB of every module" \
  -- "$CLI" --catalogue "$CATALOGUE" walkthrough "$WALKTHROUGH" -- "$BIN/read_floor" 8192 "$CATALOGUE/sol"
RTF200=$BUILD_DIR/bench-walkthrough-200k.rtf
WALK=$BUILD_DIR/bench-walkthrough-catalogue
"$BIN/rtf_bench" --write 200 "$RTF200"
mkdir -p "$WALK/sol"
"$BIN/kodrix-pack" walkthrough "$WALK/sol/w.dll" --name Bench --document "$RTF200" >/dev/null
compare --target "<=0.8x" "kodrix-cli walkthrough, a 200 KB document alone" "unrtf --text" \
  -- "$CLI" --catalogue "$WALK" walkthrough Bench -- unrtf --text "$RTF200"

# The other figures, on the default catalogue.
bench rtf_bench "$BUILD_DIR/bench-walkthrough.rtf" "$BIN/rtf_plaintext" "$CLI" "$RUNS"
bench walkthrough_bench "$CATALOGUE" "$RUNS"
bench resource_bench "$CATALOGUE" "$CLI" "$RUNS"
bench grep_bench "$CATALOGUE" "$CLI" "$RUNS"
bench jpeg_bench "$CATALOGUE" "$RUNS"
QT_QPA_PLATFORM=offscreen bench layout_bench "$CATALOGUE"
bench hostile_bench "$CLI"
bench hostile_walkthrough_bench "$CLI"
QT_QPA_PLATFORM=offscreen bench rtf_hostile_bench 60 3
bench long_query_bench "$CLI" 120 3
bench catalogue_bench

# The idle program on the virtual display, its 1 ms layout timer running: CPU
# time over 10 s (user + system, from /proc), as a share of one core.
if [ -n "$XVFB" ]; then
  echo "== idle CPU: the program on the demo catalogue, 10 s"
  IDLE=$(mktemp -d)
  XDG_CONFIG_HOME="$IDLE" XDG_RUNTIME_DIR="$IDLE" "$BIN/Kodrix" >/dev/null 2>&1 &
  PROGRAM=$!
  sleep 3
  BEFORE=$(awk '{print $14 + $15}' /proc/$PROGRAM/stat)
  sleep 10
  AFTER=$(awk '{print $14 + $15}' /proc/$PROGRAM/stat)
  kill $PROGRAM 2>/dev/null
  wait $PROGRAM 2>/dev/null || true
  rm -rf "$IDLE"
  SHARE=$(awk "BEGIN { printf \"%.2f\", ($AFTER - $BEFORE) * 100 / ($(getconf CLK_TCK) * 10) }")
  echo "CPU: $((AFTER - BEFORE)) of $(($(getconf CLK_TCK) * 10)) clock ticks = $SHARE% of one core"
  echo "@row|idle window, CPU share of one core (%)|$SHARE|%||0|" >>"$ROWS"
fi

# The table.
CPU=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo
CLOCK="wall time"
[ "${KODRIX_BENCH_CLOCK:-}" = cpu ] && CLOCK="CPU time"
echo "Kodrix benchmarks, scale $SCALE (big platform $BIG), medians of $CLOCK; $(date -u '+%Y-%m-%d')," \
  "$CPU, $(nproc) cores," \
  "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo); load average $LOAD_BEFORE at the start," \
  "$(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo
echo "| action | figure | baseline or floor, same run | baseline | ratio | target | met |"
echo "|---|---:|---|---:|---:|---|---|"
grep '^@row|' "$ROWS" | awk -F'|' '
  function show(v, unit) { return unit == "%" ? sprintf("%.2f %%", v) : sprintf(v < 10 ? "%.2f %s" : v < 100 ? "%.1f %s" : "%.0f %s", v, unit) }
  {
    action = $2; figure = $3 + 0; unit = $4; base = $5; baseFigure = $6 + 0; target = $7
    ratio = base != "" && baseFigure > 0 ? figure / baseFigure : -1
    met = ""
    if (match(target, /^<=?/)) {
      limit = substr(target, RLENGTH + 1) + 0
      value = target ~ /x$/ ? ratio : figure
      if (value < 0) met = ""
      else if (RLENGTH == 1) met = (value < limit) ? "yes" : "no"
      else met = (value <= limit) ? "yes" : "no"
    }
    shownBase = base == "" ? "-" : show(baseFigure, unit)
    shownRatio = ratio < 0 ? "-" : sprintf("%.2f", ratio)
    printf "| %s | %s | %s | %s | %s | %s | %s |\n", action, show(figure, unit), (base == "" ? "-" : base), shownBase,
      shownRatio, (target == "" ? "-" : target), (met == "" ? "-" : met)
  }'
