# shellcheck shell=bash
# Sourced by the scripts and end-to-end tests. `need TOOL PACKAGE` stops the
# script with one line naming the Debian package when TOOL is not on PATH (or,
# given as a path, is not there to run), so a missing tool is never mistaken
# for a failing (or a passing) check. `need_python MODULE PACKAGE` does the
# same for a module of the system's Python.
need() {
  command -v "$1" >/dev/null 2>&1 && return 0
  echo "$(basename "$0"): $1 not found; install the Debian package $2 (./scripts/deps test installs everything)" >&2
  exit 1
}
need_python() {
  /usr/bin/python3 -c "import $1" 2>/dev/null && return 0
  echo "$(basename "$0"): the Python module $1 not found; install the Debian package $2 (./scripts/deps test installs everything)" >&2
  exit 1
}
