#!/usr/bin/env bash
# Runs test_themes on a private Xvfb in one Qt style, keeping its shots.
#   themes_test.sh TEST_THEMES_BINARY QT_PLUGIN_DIR OUTPUT_DIR STYLE
set -euo pipefail
binary=$1
plugins=$2
out=$3/themes
style=$4
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../scripts/need.sh
source "$here/scripts/need.sh"
need Xvfb xvfb
if [ "$style" != Fusion ] && [ ! -e "$plugins/styles/adwaita.so" ]; then
  echo "themes_test.sh: the $style style needs the Debian package adwaita-qt6" >&2
  exit 1
fi
mkdir -p "$out"
read -r DISPLAY xvfb_pid < <("$here/scripts/xvfb-display" 1024x768x24)
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY
QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=$style BLARGO_SHOTS=$out "$binary"
