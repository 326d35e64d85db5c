#!/usr/bin/env bash
# Installs the program as a desktop would find it, validates what a desktop
# reads, builds the Debian package, installs it, opens its window, and removes
# it again.   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
app_id=org.blargo.Blargo
tmp=$(mktemp -d)
installed_by_us=""
on_exit() {
  if [ -n "$installed_by_us" ]; then dpkg -r blargo >/dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap on_exit EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=../scripts/need.sh
source "$(dirname "$0")/../scripts/need.sh"
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need man man-db
need identify imagemagick
need dpkg-shlibdeps dpkg-dev
need file file  # CPack computes the dependencies with it

files=(
  bin/blargo
  share/applications/$app_id.desktop
  share/metainfo/$app_id.metainfo.xml
  share/man/man1/blargo.1
  share/icons/hicolor/scalable/apps/$app_id.svg
)
for size in 16 22 24 32 48 64 128 256; do
  files+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done

# 1. cmake --install, and what desktops validate.
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in "${files[@]}"; do [ -f "$tmp/prefix/$f" ] || fail "cmake --install left out $f"; done
desktop-file-validate "$tmp/prefix/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate rejects the .desktop file"
appstreamcli validate --no-net "$tmp/prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo file"
man -l "$tmp/prefix/share/man/man1/blargo.1" 2>&1 >/dev/null | grep . && fail "the man page has errors"
for size in 16 22 24 32 48 64 128 256; do
  got=$(identify -format '%wx%h' "$tmp/prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size} px icon is $got"
done

# 2. The Debian package.
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$tmp"/blargo_*.deb)
dpkg-deb -c "$deb" >"$tmp/contents"
for f in "${files[@]}"; do grep -q " \./usr/$f\$" "$tmp/contents" || fail "the .deb lacks /usr/$f"; done
dpkg-deb -f "$deb" Section | grep -qx sound || fail "the .deb's section is not sound"
dpkg-deb -f "$deb" Maintainer | grep -q '@' || fail "the .deb names no maintainer contact"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the .deb's dependencies were not computed"

# 3. Installed for real, it opens its window.
if [ "$(id -u)" -ne 0 ]; then echo "SKIP: installing the .deb needs root"; exit 77; fi
if dpkg-query -W -f='${db:Status-Status}' blargo 2>/dev/null | grep -qx installed; then
  echo "SKIP: a blargo package is installed already; not replacing it"; exit 77
fi
dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
installed_by_us=1
[ -x /usr/bin/blargo ] || fail "/usr/bin/blargo is missing"
[ "$(/usr/bin/blargo --version)" = "bLaRgO v1.01" ] || fail "/usr/bin/blargo --version"

# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"  # its exit trap runs on_exit too
start_program /usr/bin/blargo
[ "$WIDTH" = 689 ] || fail "the installed program's window is ${WIDTH} wide"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
dpkg -r blargo >/dev/null || fail "dpkg -r failed"
installed_by_us=""
[ ! -e /usr/bin/blargo ] || fail "/usr/bin/blargo is still there after removal"
echo "1 passed, 0 failed"
