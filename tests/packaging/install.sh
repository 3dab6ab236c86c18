#!/usr/bin/env bash
# The installed program, as a user meets it: the build installed into
# temporary prefixes the way the package lays it out (the program folder, and
# the files for the desktop), then the installed tools run from there and
# through links from elsewhere, the program started for a moment, and the
# desktop entry and the AppStream metadata checked by the desktop's own
# validators.
# Usage: install.sh BUILD_DIR VERSION DESKTOP_ID
set -uo pipefail
BUILD=$1 VERSION=$2 ID=$3
WORK=$(mktemp -d)
PROGRAM_PID=
cleanup() {
  [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

CHECK_PREFIX=install
source "$(dirname "$0")/../../scripts/checks.sh"
# run NAME COMMAND...: status, stdout and stderr into $WORK/NAME.{rc,out,err}
run() {
  local name=$1; shift
  "$@" >"$WORK/$name.out" 2>"$WORK/$name.err"
  echo $? >"$WORK/$name.rc"
}
status() { [ "$(cat "$WORK/$1.rc")" = "$2" ]; }
empty() { [ ! -s "$WORK/$1" ]; }
has() { grep -q -- "$2" "$WORK/$1"; }

DIR="$WORK/program folder"   # a space in the path, as in a user's home may be
SYS="$WORK/usr"
cmake --install "$BUILD" --prefix "$DIR" >/dev/null || { echo "install: cmake --install failed"; exit 1; }
cmake --install "$BUILD" --prefix "$SYS" --component System >/dev/null || { echo "install: the System component failed"; exit 1; }

# The program folder holds the program, the tools, the module and the demo
# catalogue, and nothing for the desktop.
for file in Kodrix kodrix-cli kodrix-pack; do check "the folder holds $file" test -x "$DIR/$file"; done
check "the folder holds kodrix-cli-icon.so" test -f "$DIR/kodrix-cli-icon.so"
check "the folder holds no desktop files" test ! -e "$DIR/share"

# kodrix-cli lists the installed demo catalogue, the same as the build's,
# directly and through a link from another folder (the package's /usr/bin).
"$BUILD/bin/kodrix-cli" platforms >"$WORK/expected" 2>&1
mkdir -p "$WORK/links"
ln -s "$DIR/kodrix-cli" "$WORK/links/kodrix-cli"
ln -s "$DIR/kodrix-pack" "$WORK/links/kodrix-pack"
ln -s "$DIR/Kodrix" "$WORK/links/kodrix"
run platforms "$DIR/kodrix-cli" platforms
listsDemo() { status platforms 0 && [ -s "$WORK/expected" ] && cmp -s "$WORK/expected" "$WORK/platforms.out"; }
check "installed kodrix-cli platforms lists the demo platforms" listsDemo
run linked "$WORK/links/kodrix-cli" platforms
check "kodrix-cli through a link reads the catalogue beside the real executable" cmp -s "$WORK/expected" "$WORK/linked.out"
run icon "$WORK/links/kodrix-cli" icon "$(head -n 1 "$WORK/expected")" 0 "$WORK/icon.png"
wroteIcon() { status icon 0 && [ -s "$WORK/icon.png" ]; }
check "kodrix-cli through a link loads its image module for the icon verb" wroteIcon

# --help and --version on stdout with status 0; a mistake gives the usage on
# stderr with a non-zero status.
helped() { status help 0 && has help.out usage && empty help.err; }
versioned() { status version 0 && [ "$(cat "$WORK/version.out")" = "$tool $VERSION" ]; }
refused() { ! status "$1" 0 && has "$1.err" usage && empty "$1.out"; }
for tool in kodrix-cli kodrix-pack; do
  run help "$WORK/links/$tool" --help
  check "$tool --help: usage on stdout, status 0" helped
  run version "$WORK/links/$tool" --version
  check "$tool --version: '$tool $VERSION'" versioned
  run option "$WORK/links/$tool" --frobnicate
  check "$tool --frobnicate: usage on stderr, non-zero status" refused option
  run verb "$WORK/links/$tool" frobnicate
  check "$tool frobnicate: usage on stderr, non-zero status" refused verb
done

# The manual pages describe every verb the tools' usage lists.
verbs() {  # of $tool, from its usage
  "$DIR/$tool" --help | sed -n 's/^  \(kodrix-pack \)\{0,1\}\([a-z][a-z]*\)\( .*\)\{0,1\}$/\2/p' | sort -u
}
undescribed() {  # the verbs that $tool's page lacks
  local verb
  verbs | while read -r verb; do zcat "$page" | grep -q "^\.BI\{0,1\} $verb\b" || echo "$verb"; done
}
for tool in kodrix-cli kodrix-pack; do
  page="$SYS/share/man/man1/$tool.1.gz"
  check "the manual page of $tool is installed" test -s "$page"
  check "the manual page of $tool describes the usage's $(verbs | wc -l) verbs: $(verbs | xargs)" \
    test -z "$(undescribed)"
done

# The program, started through a link, stays up (offscreen) until stopped.
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen "$WORK/links/kodrix" >"$WORK/program.log" 2>&1 &
PROGRAM_PID=$!
sleep 3
check "the installed program runs (offscreen, started through a link)" kill -0 "$PROGRAM_PID"
kill "$PROGRAM_PID" 2>/dev/null
wait "$PROGRAM_PID" 2>/dev/null
PROGRAM_PID=

# The desktop's files: the commands link into the package's folder, the entry
# starts one of them and names the icon the theme holds at every size.
for link in "$SYS"/bin/*; do
  check "$(basename "$link") links to a program of the folder" test -x "$DIR/$(basename "$(readlink "$link")")"
done
ENTRY="$SYS/share/applications/$ID.desktop"
check "the desktop entry is valid" desktop-file-validate "$ENTRY"
check "the desktop entry starts a command of the package" \
  test -L "$SYS/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$ENTRY")"
check "the desktop entry names the program's icon" grep -qx "Icon=$ID" "$ENTRY"
check "the AppStream metadata is valid" appstreamcli validate --no-net "$SYS/share/metainfo/$ID.metainfo.xml"
# A PNG's width and height: big-endian at bytes 16 and 20.
pngSize() { od -An -tu1 -j16 -N8 "$1" 2>/dev/null | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'; }
for size in 16 22 24 32 48 64 128 256; do
  icon="$SYS/share/icons/hicolor/${size}x${size}/apps/$ID.png"
  check "the icon theme holds the icon at ${size}x${size}" test "$(pngSize "$icon")" = "${size}x${size}"
done

if [ "$failures" -ne 0 ]; then
  echo "install: $failures check(s) failed"
  exit 1
fi
echo "install: passed"
