#!/usr/bin/env bash
# End-to-end run on a real display, checked as a person would: a virtual X
# server, a window manager (openbox: minimise and close behave as on a
# desktop) and a tray host (trayer), with the program started on the demo
# catalogue beside it. Screenshots of each state go to $BUILD_DIR/e2e/.
#
# Skipped, with a message, when the X tools are not installed (scripts/deps.sh
# installs them on Debian). Exit status 0 = passed; 77 = skipped (no X tools,
# or no virtual display could be made); anything else = failed.
#
# On the way it visits the five pages and the screenshot window on the demo
# catalogue; those screenshots (page-*.png, viewer.png) are the README's,
# which scripts/readme-shots.sh copies into docs/.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${KODRIX_BUILD_DIR:-build}")
PROGRAM="$BUILD_DIR/bin/Kodrix"
OUT="$BUILD_DIR/e2e"
CAPTION='^Kodrix \(32\) v4\.4 RC1$'

for tool in Xvfb openbox trayer xdotool xwininfo xprop wmctrl import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: skipped: $tool is not installed (scripts/deps.sh installs the X tools)"
    exit 77
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

CHECK_PREFIX=e2e
source scripts/checks.sh
shot() { import -window root "$OUT/$1.png" 2>/dev/null; }

# The X server on a free display, the window manager with one extra key
# (Alt+F9 minimises, as on classic desktops), and the tray host.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x900x24 -nolisten tcp 2>/dev/null)
PIDS+=($!)
read -r -t 10 DISPLAY_NUMBER <&3 || { echo "e2e: skipped: no virtual display could be made (Xvfb did not start)"; exit 77; }
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
# The program's icons embedded in the tray host's panel (the class's first
# name is the name the program was started by: the link's).
TRAY_ICON='"Kodrix": ("kodrix" "Kodrix")  22x22'
icons() { xwininfo -root -tree 2>/dev/null | grep -c "$TRAY_ICON" || true; }
oneIcon() { [ "$(icons)" = 1 ]; }
noIcon() { [ "$(icons)" = 0 ]; }
inTray() { hidden && oneIcon; }
normal() { visible && noIcon; }
setting() { sed -n "s/^$1=//p" "$SETTINGS" 2>/dev/null; }
clickIcon() {
  local geometry
  geometry=$(xwininfo -root -tree 2>/dev/null | grep "$TRAY_ICON" | head -n 1 | awk '{print $NF}')
  local x=${geometry#+}; x=${x%%+*}; local y=${geometry##*+}
  xdotool mousemove $((x + 11)) $((y + 11)) click 1
}

# Started through a symbolic link from another folder, as the package's
# /usr/bin/kodrix starts it: the catalogue is still found beside the real
# executable (the settings written below name its first platform).
mkdir -p "$WORK/bin"
ln -s "$PROGRAM" "$WORK/bin/kodrix"
PROGRAM="$WORK/bin/kodrix"
"$PROGRAM" >"$WORK/program.log" 2>&1 &
MAIN=$!
PIDS+=($MAIN)
check "the main window appears" eventually visible
WID=$(window)
sleep 0.5
shot 1-started
# The program's own icon on the window, and the application title as the
# window's icon text (what a task bar may show when it is minimised).
hasIcon() { xprop -id "$1" _NET_WM_ICON 2>/dev/null | grep -q 'Icon (32 x 32)'; }
iconText() { xprop -id "$WID" _NET_WM_ICON_NAME 2>/dev/null | sed -n 's/^_NET_WM_ICON_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
iconTextIs() { [ "$(iconText)" = "$1" ]; }
check "the main window shows the program's icon" hasIcon "$WID"
check "the window's icon text is the application title" iconTextIs Kodrix
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

# A tour of the pages on the demo catalogue, with the README's screenshots.
# Positions are the window's own (the layout is fixed); the walkthrough's
# screenshot link is found by its colour. No drop-down list is opened: a
# search result picks the platform, the letter and the game.
click() { xdotool mousemove --window "$WID" "$1" "$2" click 1; }
page() {  # the tab of page N (1-5)
  local x=(0 47 146 240 332 430)
  click "${x[$1]}" 14
  sleep 0.5
}
# A window's picture with its frame. Without a window import would wait for
# one to be clicked: never asked so.
frameShot() { [ -n "$1" ] && timeout 20 import -frame -window "$1" "$OUT/$2.png" 2>/dev/null; }
named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
appears() { [ -n "$(named "$1")" ]; }
gone() { [ -z "$(named "$1")" ]; }
QUERY=an
FIRST_PLATFORM=$("$BUILD_DIR/bin/kodrix-cli" platforms | head -n 1)
GAME=$("$BUILD_DIR/bin/kodrix-cli" search "$FIRST_PLATFORM" "$QUERY" | head -n 1)
# Under Xvfb the typed query is now and then lost on its way; the box is then
# empty and the search finds every game, the first of which is clicked.
ANY_GAME=$("$BUILD_DIR/bin/kodrix-cli" search "$FIRST_PLATFORM" "" | head -n 1)
xdotool windowactivate --sync "$WID" >/dev/null 2>&1
search() {  # types the query into the search page's box and starts the search
  page 3
  click 118 64
  xdotool windowfocus --sync "$WID" 2>/dev/null
  xdotool key End $(printf 'BackSpace %.0s' {1..20})
  xdotool type "$QUERY"
  click 118 105
  sleep 1
}
chooseFound() { search && frameShot "$WID" page-3-search && click 40 198 && eventually iconTextIsOneOf "Kodrix - $GAME" "Kodrix - $ANY_GAME"; }
iconTextIsOneOf() { iconTextIs "$1" || iconTextIs "$2"; }
secondTry() { "$@" || "$@"; }  # for steps whose keys a busy machine may lose
check "a found game's click makes the icon text \"Kodrix - $GAME\"" secondTry chooseFound
check "the caption stays" test "$(xdotool getwindowname "$WID")" = "Kodrix (32) v4.4 RC1"
sleep 0.3
frameShot "$WID" page-1-codes

page 2
click 40 68
link() {  # the screenshot link's box in the document: WxH+X+Y
  [ -n "$WID" ] && timeout 20 import -window "$WID" "$WORK/page.png" 2>/dev/null &&
    convert "$WORK/page.png" -fill black +opaque '#0000FF' -format '%@' info: 2>/dev/null
}
hasLink() { local box; box=$(link); [[ "$box" =~ ^[1-9][0-9]*x[1-9][0-9]*\+[0-9]+\+[0-9]+$ ]]; }
check "the first walkthrough's document shows its screenshot link" eventually hasLink
sleep 0.3
frameShot "$WID" page-2-walkthroughs
read -r W H X Y <<<"$(link | tr 'x+' '  ')"
click $((X + W / 2)) $((Y + H / 2))
VIEWER_NAME='Просмотр скриншотов'
check "the link opens the screenshot window" eventually appears "$VIEWER_NAME"
VIEWER=$(named "$VIEWER_NAME")
check "the screenshot window shows the program's icon" hasIcon "$VIEWER"
sleep 0.5
frameShot "$VIEWER" viewer
[ -n "$VIEWER" ] && wmctrl -i -c "$VIEWER"
check "the screenshot window closes" eventually gone "$VIEWER_NAME"

page 4
frameShot "$WID" page-4-chart
page 5
frameShot "$WID" page-5-settings
# Qt's standard dialogs speak Russian, and carry the program's icon.
click 148 70
FONT_DIALOG='Выбор шрифта'
check "the font dialog opens in Russian (\"$FONT_DIALOG\")" eventually appears "$FONT_DIALOG"
FONT=$(named "$FONT_DIALOG")
check "the font dialog shows the program's icon" hasIcon "$FONT"
shot 6-font-dialog
[ -n "$FONT" ] && wmctrl -i -c "$FONT"
check "the font dialog closes" eventually gone "$FONT_DIALOG"

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
