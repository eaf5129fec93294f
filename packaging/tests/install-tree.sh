#!/usr/bin/env bash
# Installs a build into a scratch prefix: exactly the program, its desktop entry, its
# AppStream metainfo (with the project's release) and its icon land there, AppStream's
# own checks accept the tree, and the installed program answers without a display.
#   install-tree.sh BUILD-DIR SCRATCH-DIR VERSION-TEXT RELEASE
set -euo pipefail
build=$1 root=$2 version_text=$3 release=$4 id=org.paarix.Paarix
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$root"
cmake --install "$build" --prefix "$root/usr" >/dev/null
expected="usr/bin/paarix
usr/share/applications/$id.desktop
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/metainfo/$id.metainfo.xml"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual"); fail "installed files differ"; }
grep -qx "Categories=Game;CardGame;" "$root/usr/share/applications/$id.desktop" || fail "no Categories=Game;CardGame;"
# Finds the metainfo, the desktop entry it launches and the icon, and checks all three.
appstreamcli validate-tree --no-net --strict "$root"
grep -q "<release version=\"$release\"" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo release is not $release"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/paarix" --version)
[ "$version" = "$version_text" ] || fail "installed program says '$version'"
echo "install tree: all checks passed"
