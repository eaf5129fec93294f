#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what lands there: exactly
# the program, its desktop entry, its AppStream metainfo and its icon, and that
# AppStream's own checks accept the tree, and the versions the program and the
# metainfo give are the project's.
#   install-tree.sh BUILD-DIR SCRATCH-DIR VERSION-TEXT RELEASE
#   (VERSION-TEXT: what --version prints; RELEASE: the metainfo's release version)
set -euo pipefail
build=$1
root=$2
version_text=$3
release=$4
id=org.paarix.Paarix

rm -rf "$root"
cmake --install "$build" --prefix "$root/usr" >/dev/null

expected="usr/bin/paarix
usr/share/applications/$id.desktop
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/metainfo/$id.metainfo.xml"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  echo "FAIL: installed files differ"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi

[ -x "$root/usr/bin/paarix" ] || { echo "FAIL: bin/paarix is not executable"; exit 1; }
grep -qx "Categories=Game;CardGame;" "$root/usr/share/applications/$id.desktop" \
  || { echo "FAIL: the desktop entry lacks Categories=Game;CardGame;"; exit 1; }
grep -qx "Icon=$id" "$root/usr/share/applications/$id.desktop" \
  || { echo "FAIL: the desktop entry names another icon"; exit 1; }

# Finds the metainfo, the desktop entry it launches and the icon, and checks all three.
appstreamcli validate-tree --no-net --strict "$root"
grep -q "<release version=\"$release\"" "$root/usr/share/metainfo/$id.metainfo.xml" \
  || { echo "FAIL: the metainfo names another release than $release"; exit 1; }

# The installed program itself answers without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/paarix" --version)
[ "$version" = "$version_text" ] || { echo "FAIL: installed program says '$version'"; exit 1; }
echo "install tree: all checks passed"
