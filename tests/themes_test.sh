#!/usr/bin/env bash
# Runs test_themes on a private Xvfb in one Qt style, keeping its shots.
#   themes_test.sh TEST_THEMES_BINARY QT_PLUGIN_DIR OUTPUT_DIR STYLE
set -euo pipefail
binary=$1
plugins=$2
out=$3/themes
style=$4
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
# Fusion and Windows come with Qt itself.
case $style in
  Fusion | Windows) ;;
  *)
    if [ ! -e "$plugins/styles/adwaita.so" ]; then
      echo "themes_test.sh: the $style style needs the Debian package adwaita-qt6" >&2
      exit 1
    fi
    ;;
esac
mkdir -p "$out"
session_work
start_display
QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=$style BLARGO_SHOTS=$out "$binary"
