#!/usr/bin/env bash
# The program installed into a private prefix (as a package installs it: the
# desktop file, the icons in the hicolor theme), under KDE's compositor KWin,
# on Xvfb, with a private sound server and session and accessibility buses.
#   e2e_kwin.sh BUILD_DIR OUTPUT_DIR x11|wayland
# x11: kwin_x11 manages the program's X11 window; the window names its desktop
# file in _KDE_NET_WM_DESKTOP_FILE and _GTK_APPLICATION_ID (which Qt 6.4
# leaves unset), and KWin knows it.
# wayland: kwin_wayland runs as a window on Xvfb with the program as its
# Wayland client. KWin 5.27 takes a Wayland window's icon only from the
# desktop file its app id names, through the Icon= key: it offers no client a
# way to hand over an icon of its own.
# In both, KWin's title bar shows the program's icon, and a preset reaches the
# sink and STOP ends party mode.
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
kind=$3
case "$kind" in
  x11) compositor=kwin_x11 ;;
  wayland) compositor=kwin_wayland ;;
  *) echo "usage: e2e_kwin.sh BUILD_DIR OUTPUT_DIR x11|wayland" >&2; exit 2 ;;
esac
export XVFB_SIZE=1280x1024x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need "$compositor" "kwin-${kind/_/-}"
need cmake cmake
need xwininfo x11-utils
need dbus-send dbus-bin
need_python pyatspi python3-pyatspi
# The title bar KWin draws by default, Breeze, with the window's icon in it.
[ "$(dpkg-query -W -f='${db:Status-Status}' kwin-style-breeze 2>/dev/null)" = installed ] || {
  echo "$(basename "$0"): KWin's Breeze title bar not found; install the Debian package kwin-style-breeze (./scripts/deps test installs everything)" >&2
  exit 1
}
private_bus "$@"
session_start
start_a11y_bus

# Installed as a package installs it, into a prefix of the test's own that
# the desktop's data paths name (and no user's own data in the way).
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
  fail "cmake --install failed: $(tail -n 1 "$work/install.log")"
blargo="$work/prefix/bin/blargo"
export XDG_DATA_DIRS="$work/prefix/share:/usr/share"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset XDG_CURRENT_DESKTOP QT_STYLE_OVERRIDE QT_SCALE_FACTOR
# What the session bus starts on demand runs in this session too: it started
# before the display, and KWin 5.27 on X11 calls up KDE's shortcut daemon
# through it, which without a display aborts and is called up again, over
# and over.
dbus-update-activation-environment DISPLAY XDG_DATA_DIRS XDG_DATA_HOME XDG_CONFIG_HOME \
  XDG_CACHE_HOME XDG_RUNTIME_DIR || fail "the session bus took no environment"

# KWin's scripts print to its log ("js" in KWin 5, its scripting category in 6).
export QT_LOGGING_RULES="js.debug=true;kwin_scripting.debug=true"
kwin_log="$work/kwin.log"
# A compositor that cannot run here (it ends before it is up) skips the test
# with its last word; one that runs is held to everything below.
cannot_run() {
  echo "SKIP: $compositor cannot run here: $(grep -v '^$' "$kwin_log" | tail -n 1)"
  exit 77
}
if [ "$kind" = x11 ]; then
  # Without compositing: Xvfb has no OpenGL to offer.
  KWIN_COMPOSE=N kwin_x11 >"$kwin_log" 2>&1 &
  kwin_pid=$!
  stop_at_exit "$kwin_pid"
  kwin_up() { kill -0 "$kwin_pid" 2>/dev/null || cannot_run; window_manager_up; }
  WAIT_SECONDS=30 wait_for kwin_up || fail "kwin_x11 took no charge of the display within 30 s"
else
  # Debian gives kwin_wayland a file capability, which the kernel refuses to
  # a process run by root; a copy of the binary has none. KWin 6.3 crashes
  # with OpenGL on Xvfb; it draws with QPainter.
  cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
  KWIN_COMPOSE=Q "$work/kwin_wayland" --x11-display "$DISPLAY" --socket blargo-kwin \
    --width 1024 --height 768 --no-lockscreen --no-global-shortcuts >"$kwin_log" 2>&1 &
  kwin_pid=$!
  stop_at_exit "$kwin_pid"
  kwin_window=""
  kwin_up() {
    kill -0 "$kwin_pid" 2>/dev/null || cannot_run
    kwin_window=$(xwininfo -root -tree | awk '/"KDE Wayland Compositor/ { print $1; exit }')
    [ -n "$kwin_window" ] && [ -S "$XDG_RUNTIME_DIR/blargo-kwin" ]
  }
  WAIT_SECONDS=30 wait_for kwin_up || fail "kwin_wayland did not open its output within 30 s"
fi
echo "$compositor: $("$compositor" --version 2>/dev/null || "$work/kwin_wayland" --version 2>/dev/null | tail -n 1)"

pactl set-sink-volume @DEFAULT_SINK@ 100%
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
if [ "$kind" = x11 ]; then
  QT_QPA_PLATFORM=xcb start_program "$blargo"
  # What Qt 6.8 writes itself, and the program writes for Qt 6.4.
  for property in _KDE_NET_WM_DESKTOP_FILE _GTK_APPLICATION_ID; do
    value=$(xprop -id "$window" "$property")
    echo "$value"
    [ "$value" = "$property(UTF8_STRING) = \"org.blargo.Blargo\"" ] ||
      fail "the window's $property is not org.blargo.Blargo"
  done
else
  # The protocol trace shows the app id the window sends (see e2e_wayland.sh).
  env -u DISPLAY WAYLAND_DISPLAY=blargo-kwin QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 "$blargo" \
    >"$work/app.log" 2>&1 &
  app_pid=$!
  sent() { grep -qE "(^|[^a-z_])xdg_toplevel[^a-z_.][0-9]+\\.$1" "$work/app.log"; }
  app_id_sent() { kill -0 "$app_pid" || fail "the program died"; sent 'set_app_id\('; }
  WAIT_SECONDS=30 wait_for app_id_sent || fail "the window sent no app id"
  echo "app id sent: $(grep -oE 'set_app_id\([^)]*\)' "$work/app.log" | head -n 1)"
  sent 'set_app_id\("org\.blargo\.Blargo"\)' || fail "the window's app id is not org.blargo.Blargo"
fi

# The program's window as KWin has it: "DESKTOP_FILE X Y WIDTH HEIGHT" of its
# frame, from a script loaded into KWin (KWin 5 puts a script's object at
# /ID, KWin 6 at /Scripting/ScriptID).
kwin_view() {
  # Each look is a script of its own, unloaded after it ran: KWin loads no
  # second script under a name it has loaded.
  local name id line
  name="blargo-probe-$(now_ms)"
  id=$(dbus-send --session --print-reply=literal --dest=org.kde.KWin /Scripting \
    org.kde.kwin.Scripting.loadScript string:"$(dirname "$(realpath "$0")")/support/kwin_windows.js" \
    string:"$name" 2>/dev/null | awk '{ print $2 }')
  [ -n "$id" ] && [ "$id" -ge 0 ] || return 1
  dbus-send --session --print-reply --dest=org.kde.KWin "/$id" org.kde.kwin.Script.run >/dev/null 2>&1 ||
    dbus-send --session --print-reply --dest=org.kde.KWin "/Scripting/Script$id" org.kde.kwin.Script.run \
      >/dev/null 2>&1 || return 1
  dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.unloadScript \
    string:"$name" >/dev/null 2>&1 || true
  line=$(grep -a 'kwin-window {"caption":"bLaRgO v1.01"' "$kwin_log" | tail -n 1)
  [ -n "$line" ] || return 1
  /usr/bin/python3 -c 'import json, sys
w = json.loads(sys.argv[1].split("kwin-window ", 1)[1])
print(w["desktopFile"] or "-", *w["frame"])' "$line"
}
view=""
known() { view=$(kwin_view) && [ -n "$view" ]; }
WAIT_SECONDS=30 wait_for known || fail "KWin has no window titled 'bLaRgO v1.01'"
read -r desktop_file fx fy fw fh <<<"$view"
echo "KWin: desktop file $desktop_file, frame ${fw}x${fh} at $fx,$fy"
[ "$desktop_file" = org.blargo.Blargo ] || fail "KWin knows the window's desktop file as '$desktop_file'"

# The title bar's left end, where KWin's decoration draws the window's icon:
# the icon's yellow and green arcs, which nothing else in a title bar has.
shot="$out/kwin-$kind.png"
shoot() {
  if [ "$kind" = x11 ]; then import -window root "$shot" 2>/dev/null; else import -window "$kwin_window" "$shot" 2>/dev/null; fi
}
arcs=""
icon_drawn() {
  kill -0 "$kwin_pid" || fail "$compositor died"
  shoot || return 1
  arcs=$(convert "$shot" -crop "48x36+$fx+$fy" +repage -depth 8 txt:- 2>/dev/null | awk -F'[(),]' '
    NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0
             if (r > 200 && g > 170 && b < 80) yellow++
             if (r < 80 && g > 170 && b < 150) green++ }
    END { print yellow + 0, green + 0 }')
  local yellow green
  read -r yellow green <<<"$arcs"
  [ "$yellow" -ge 2 ] && [ "$green" -ge 2 ]
}
wait_for icon_drawn || fail "no icon in KWin's title bar (yellow and green pixels: $arcs; see $shot)"
echo "icon in the title bar: yellow and green pixels $arcs"

# A preset lands on the sink; party mode starts and STOP ends it.
/usr/bin/python3 "$(dirname "$0")/support/atspi_window.py" basic || fail "the AT-SPI checks failed"
kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
