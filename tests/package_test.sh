#!/usr/bin/env bash
# Installs the program as a desktop would find it, validates what a desktop
# reads, builds the Debian package as Debian builds its own (dpkg-buildpackage)
# and has lintian check it, installs it, opens its window, and removes it again.
#   package_test.sh BUILD_DIR
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need dpkg-buildpackage dpkg-dev
need dh debhelper
need lintian lintian
need readelf binutils
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
app_id=org.blargo.Blargo
tmp=$(mktemp -d)
installed_by_us=""
on_exit() {
  if [ -n "$installed_by_us" ]; then dpkg -r blargo >/dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap on_exit EXIT
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
  share/icons/hicolor/scalable/apps/$app_id.svg
)
for size in 16 22 24 32 48 64 128 256; do
  files+=("share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done

# 1. cmake --install, and what desktops validate.
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in "${files[@]}" share/man/man1/blargo.1; do
  [ -f "$tmp/prefix/$f" ] || fail "cmake --install left out $f"
done
desktop-file-validate "$tmp/prefix/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate rejects the .desktop file"
appstreamcli validate --no-net "$tmp/prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo file"
man -l "$tmp/prefix/share/man/man1/blargo.1" 2>&1 >/dev/null | grep . && fail "the man page has errors"
# Names and version as the program has them, filled in by CMake.
grep -qx 'Name=bLaRgO' "$tmp/prefix/share/applications/$app_id.desktop" ||
  fail "the .desktop file's name is not bLaRgO"
grep -q '<release version="1\.01"' "$tmp/prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo's release is not 1.01"
head -n 1 "$tmp/prefix/share/man/man1/blargo.1" | grep -q '"bLaRgO v1\.01"' ||
  fail "the man page is not headed bLaRgO v1.01"
grep -q '"blargo 1\.01"' "$tmp/prefix/share/man/man1/blargo.1" ||
  fail "the man page does not show what --version prints"
for size in 16 22 24 32 48 64 128 256; do
  got=$(identify -format '%wx%h' "$tmp/prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size} px icon is $got"
done

# 2. The Debian package, from a copy of the sources without build folders.
mkdir -p "$tmp/src/blargo"
tar -C "$source_dir" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$tmp/src/blargo" -xf -
(cd "$tmp/src/blargo" && dpkg-buildpackage -b -us -uc -j2 >"$tmp/dpkg-buildpackage.log" 2>&1) ||
  { tail -n 30 "$tmp/dpkg-buildpackage.log" >&2; fail "dpkg-buildpackage failed"; }
deb=$(ls "$tmp"/src/blargo_*_amd64.deb)
# Debian's own checker, down to its informational and pedantic tags.
lintian --info --pedantic --fail-on error,warning,info,pedantic "$deb" >"$tmp/lintian.log" 2>&1 ||
  { grep -v 'running with root privileges' "$tmp/lintian.log" >&2; fail "lintian finds fault with the package"; }
dpkg-deb -c "$deb" >"$tmp/contents"
for f in "${files[@]}" share/man/man1/blargo.1.gz share/doc/blargo/changelog.gz \
  share/doc/blargo/copyright; do
  grep -q " \./usr/$f\$" "$tmp/contents" || fail "the .deb lacks /usr/$f"
done
[ "$(dpkg-deb -f "$deb" Version)" = 1.01 ] || fail "the .deb's version is $(dpkg-deb -f "$deb" Version)"
dpkg-deb -f "$deb" Section | grep -qx sound || fail "the .deb's section is not sound"
dpkg-deb -f "$deb" Maintainer | grep -q '@' || fail "the .deb names no maintainer contact"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the .deb's dependencies were not computed"
dpkg-deb -f "$deb" Recommends | grep -q qt6-wayland || fail "the .deb does not recommend qt6-wayland"
dpkg-deb -x "$deb" "$tmp/unpacked"
copyright="$tmp/unpacked/usr/share/doc/blargo/copyright"
head -n 1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not machine-readable"

# Hardened as Debian's own binaries: PIE, full RELRO, stack protector, fortify.
binary="$tmp/unpacked/usr/bin/blargo"
# (Whole outputs first: grep -q would stop reading early and fail the pipe.)
header=$(readelf -h "$binary")
dynamic=$(readelf -d "$binary")
segments=$(readelf -l "$binary")
symbols=$(readelf --dyn-syms -W "$binary")
grep -q 'Type:.*DYN' <<<"$header" || fail "blargo is not position-independent"
grep -q 'FLAGS_1.*PIE' <<<"$dynamic" || fail "blargo is not a PIE"
grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$dynamic" || fail "blargo is not linked with BIND_NOW"
grep -q GNU_RELRO <<<"$segments" || fail "blargo has no RELRO segment"
grep -q ' __stack_chk_fail' <<<"$symbols" || fail "blargo has no stack protector"
grep -Eq ' __[a-z]+_chk' <<<"$symbols" || fail "blargo calls no fortified functions"

# 3. Installed for real, it opens its window.
if [ "$(id -u)" -ne 0 ]; then echo "SKIP: installing the .deb needs root"; exit 77; fi
if dpkg-query -W -f='${db:Status-Status}' blargo 2>/dev/null | grep -qx installed; then
  echo "SKIP: a blargo package is installed already; not replacing it"; exit 77
fi
dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
installed_by_us=1
[ -x /usr/bin/blargo ] || fail "/usr/bin/blargo is missing"
[ "$(/usr/bin/blargo --version)" = "blargo 1.01" ] || fail "/usr/bin/blargo --version"

session_start  # its exit trap runs on_exit too
start_program /usr/bin/blargo
[ "$WIDTH" = 689 ] || fail "the installed program's window is ${WIDTH} wide"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
dpkg -r blargo >/dev/null || fail "dpkg -r failed"
installed_by_us=""
[ ! -e /usr/bin/blargo ] || fail "/usr/bin/blargo is still there after removal"
echo "1 passed, 0 failed"
