#!/usr/bin/env bash
# End-to-end run on a real display, checked as a person would: a virtual X
# server, a window manager (openbox: minimise and close behave as on a
# desktop) and a tray host (trayer), with the program started on the demo
# catalogue beside it. Screenshots of each state go to $BUILD_DIR/e2e/.
#
# Skipped, with a message, when the X tools are not installed (scripts/deps.sh
# installs them on Debian). Exit status 0 = passed or skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${KODRIX_BUILD_DIR:-build}")
PROGRAM="$BUILD_DIR/bin/Kodrix"
OUT="$BUILD_DIR/e2e"
CAPTION='^Kodrix \(32\) v4\.4 RC1$'

for tool in Xvfb openbox trayer xdotool xwininfo xprop wmctrl import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: skipped: $tool is not installed (scripts/deps.sh installs the X tools)"
    exit 0
  fi
done
[ -x "$PROGRAM" ] || { echo "e2e: $PROGRAM is not built"; exit 1; }

unset QT_QPA_PLATFORM  # the tests' offscreen setting: here the program shows on the display
WORK=$(mktemp -d)
mkdir -p "$OUT" "$WORK/config" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
SETTINGS="$XDG_CONFIG_HOME/Vorlenta/Kodrix.ini"
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "e2e: ok    $what"; else echo "e2e: FAIL  $what"; failures=$((failures + 1)); fi
}
# Polls a condition for up to 10 s.
eventually() {
  local i
  for i in $(seq 100); do "$@" && return 0; sleep 0.1; done
  return 1
}
shot() { import -window root "$OUT/$1.png" 2>/dev/null; }

# The X server on a free display, the window manager with one extra key
# (Alt+F9 minimises, as on classic desktops), and the tray host.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x900x24 -nolisten tcp 2>/dev/null)
PIDS+=($!)
read -r -t 10 DISPLAY_NUMBER <&3 || { echo "e2e: Xvfb did not start"; exit 1; }
export DISPLAY=":$DISPLAY_NUMBER"
sed 's|<keyboard>|<keyboard><keybind key="A-F9"><action name="Iconify"/></keybind>|' \
  /etc/xdg/openbox/rc.xml > "$WORK/rc.xml"
openbox --config-file "$WORK/rc.xml" >/dev/null 2>&1 &
PIDS+=($!)
eventually xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 || { echo "e2e: openbox did not start"; exit 1; }
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
TRAYER=$!
PIDS+=($TRAYER)
eventually xdotool search --class trayer >/dev/null 2>&1 || { echo "e2e: trayer did not start"; exit 1; }

window() { xdotool search --onlyvisible --name "$CAPTION" 2>/dev/null | head -n 1; }
visible() { [ -n "$(window)" ]; }
hidden() { [ -z "$(window)" ]; }
# The program's icons embedded in the tray host's panel.
icons() { xwininfo -root -tree | grep -c '"Kodrix": ("Kodrix" "Kodrix")  22x22' || true; }
oneIcon() { [ "$(icons)" = 1 ]; }
noIcon() { [ "$(icons)" = 0 ]; }
inTray() { hidden && oneIcon; }
normal() { visible && noIcon; }
setting() { sed -n "s/^$1=//p" "$SETTINGS" 2>/dev/null; }
clickIcon() {
  local geometry
  geometry=$(xwininfo -root -tree | grep '"Kodrix": ("Kodrix" "Kodrix")  22x22' | head -n 1 | awk '{print $NF}')
  local x=${geometry#+}; x=${x%%+*}; local y=${geometry##*+}
  xdotool mousemove $((x + 11)) $((y + 11)) click 1
}

"$PROGRAM" >"$WORK/program.log" 2>&1 &
MAIN=$!
PIDS+=($MAIN)
check "the main window appears" eventually visible
WID=$(window)
sleep 0.5
shot 1-started
rm -f "$SETTINGS"

# Minimising by the title bar's button: the settings are written, the window
# hides and one icon shows in the tray.
# The button sits in the frame's top right corner (openbox's default theme).
X=$(xwininfo -id "$WID" | sed -n 's/.*Absolute upper-left X: *//p')
Y=$(xwininfo -id "$WID" | sed -n 's/.*Absolute upper-left Y: *//p')
WIDTH=$(xwininfo -id "$WID" | sed -n 's/.*Width: *//p')
read -r LEFT RIGHT TOP BOTTOM <<<"$(xprop -id "$WID" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
xdotool mousemove $((X + WIDTH + RIGHT - 43)) $((Y - TOP + 9)) click 1
check "title-bar button: the window goes into the tray" eventually inTray
check "minimising wrote the settings, with the first demo platform" test "$(setting LastBase)" = DENDY
shot 2-in-tray

clickIcon
check "a click on the tray icon brings the window back and removes the icon" eventually normal
shot 3-restored

# The window manager's key and the task bar's request end in the same state.
xdotool windowactivate --sync "$WID" >/dev/null 2>&1
xdotool key --window "$WID" alt+F9
check "window-manager key: the window goes into the tray" eventually inTray
clickIcon
eventually normal >/dev/null
xdotool windowminimize "$WID"
check "task-bar request: the window goes into the tray" eventually inTray

# A second start ends at once and brings the first window back from the tray.
"$PROGRAM" >"$WORK/second.log" 2>&1 &
SECOND=$!
check "a second start ends by itself" eventually bash -c "! kill -0 $SECOND 2>/dev/null"
check "the first window is back and its icon gone" eventually normal
check "the first program still runs" kill -0 "$MAIN"
shot 4-after-second-start

# The tray host ends while the window hides in the tray: the window comes
# back at once, minimised on the task bar (iconic), and a new tray host
# serves the next minimise.
xdotool windowminimize "$WID"
check "minimised into the tray again" eventually inTray
kill "$TRAYER"
wait "$TRAYER" 2>/dev/null
iconic() { xprop -id "$WID" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
check "the tray host ends: the window is back, minimised on the task bar" eventually iconic
shot 5-tray-gone
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
TRAYER=$!
PIDS+=($TRAYER)
eventually xdotool search --class trayer >/dev/null 2>&1
wmctrl -i -a "$WID"  # as a click on its task-bar entry
check "restored from the task bar it shows again" eventually visible
xdotool windowminimize "$WID"
check "a new tray host takes the next minimise" eventually inTray
clickIcon
check "and gives the window back" eventually normal

# Closing writes the settings and leaves no icon behind.
xdotool mousemove 612 211 click 1 >/dev/null 2>&1   # the chart page, remembered on close
rm -f "$SETTINGS"
wmctrl -i -c "$WID"
check "closing ends the program" eventually bash -c "! kill -0 $MAIN 2>/dev/null"
check "closing wrote the settings" test -s "$SETTINGS"
check "no tray icon is left" noIcon
shot 6-closed

if [ "$failures" -ne 0 ]; then
  echo "e2e: $failures check(s) failed; screenshots in $OUT"
  sed 's/^/e2e: program: /' "$WORK/program.log" | grep -v XDG_RUNTIME_DIR | head -20
  exit 1
fi
echo "e2e: passed; screenshots in $OUT"
