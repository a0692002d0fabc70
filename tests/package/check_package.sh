#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch
# root (dpkg -x, nothing is installed on the machine) and checks what a
# desktop needs of it: the program, both plug-ins, the help pages, the menu
# entry, the icons and the AppStream description, each valid.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A package folder of its own, so parallel runs never share CPack's staging.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack did not build the package"; }
deb="$(ls "$work"/out/*.deb 2>/dev/null | head -n 1)"
[ -n "$deb" ] || fail "no .deb was made"
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/pellomar usr/lib/pellomar/libravelin.so usr/lib/pellomar/libuci.so \
            "usr/share/pellomar/Help/Local Chess.htm" \
            usr/share/applications/com.zentrique.pellomar.desktop \
            usr/share/metainfo/com.zentrique.pellomar.metainfo.xml; do
  [ -e "$root/$file" ] || fail "$file is missing from the package"
done
for size in 16 22 24 32 48 64 128 256 512; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/com.zentrique.pellomar.png"
  [ -s "$icon" ] || fail "the ${size}x${size} icon is missing"
done
[ -d "$root/usr/lib/pellomar/Engines/Winboard/Phalanx" ] || fail "the engines folder is missing"

appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/com.zentrique.pellomar.metainfo.xml" ||
  fail "appstreamcli refuses the AppStream description"
desktop-file-validate "$root/usr/share/applications/com.zentrique.pellomar.desktop" ||
  fail "desktop-file-validate refuses the menu entry"
grep -q '^MimeType=.*application/x-chess-pgn' "$root/usr/share/applications/com.zentrique.pellomar.desktop" ||
  fail "the menu entry does not offer the program for PGN files"

control="$(dpkg-deb -f "$deb" Depends Recommends)"
echo "$control"
grep -q 'libqt6widgets6' <<<"$control" || fail "the package does not depend on Qt's widgets"
grep -q 'qt6-qpa-plugins' <<<"$control" || fail "the package does not depend on Qt's platform plug-ins"
grep -q 'Recommends:.*phalanx' <<<"$control" || fail "the engines are not recommended"
echo "package checked"
