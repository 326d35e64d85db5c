#!/usr/bin/env bash
# Runs a Qt test that listens to what Qt tells assistive technology: Qt tells
# nothing until its AT-SPI bridge is on, and the bridge needs a display and
# an accessibility bus. So the test gets an Xvfb display under openbox (which
# activates a window as it shows) and private session
# and accessibility buses, with accessibility on as a screen reader turns it.
#   accessibility_unit.sh TEST_BINARY [ARGS...]
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
session_work
start_display
start_openbox
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_session_bus
start_a11y_bus
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$@"
