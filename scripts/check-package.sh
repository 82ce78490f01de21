#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it, on a throwaway machine (as
# root): its files, its menu entry, installing it with its dependencies, both programs running,
# and removing it cleanly. CI runs it; it installs and removes Grondel under /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
# What only this check needs; users who just run Grondel install none of it.
scripts/setup.sh dpkg-dev desktop-file-utils xvfb xauth

cmake --preset package >/dev/null
cmake --build --preset package -j"$(nproc)"
rm -f build/package/grondel_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/grondel_*_amd64.deb)
echo "== $deb"

fail() { echo "check-package: $*" >&2; exit 1; }

files=$(dpkg -c "$deb" | awk '{print $6}' | sed 's#^\./#/#')
for expected in /usr/bin/grondel /usr/bin/grondel-convert /usr/share/applications/grondel.desktop \
                /usr/share/icons/hicolor/scalable/apps/grondel.svg; do
    grep -qx "$expected" <<<"$files" || fail "the package lacks $expected"
done
echo "files: ok"
# A converter linked whole carries the licences of the libraries in it.
if ! readelf -d build/package/src/grondel-convert/grondel-convert | grep -q NEEDED; then
    for package in zlib1g libspng0 libjpeg62-turbo libc6; do
        grep -q "/licences/$package.txt$" <<<"$files" || fail "the package lacks $package's licence"
    done
    echo "converter: linked whole, with the licences of what it holds"
fi
dpkg-deb -f "$deb" Depends

desktop=$(mktemp -d)
trap 'rm -rf "$desktop"' EXIT
dpkg-deb -x "$deb" "$desktop"
desktop-file-validate "$desktop/usr/share/applications/grondel.desktop"
echo "menu entry: valid"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
[[ "$(grondel-convert --version)" == "grondel-convert $(dpkg-deb -f "$deb" Version)" ]] ||
    fail "grondel-convert --version says $(grondel-convert --version)"
echo "grondel-convert: $(grondel-convert --version)"

# The menu entry's command, under a virtual screen: still running a few seconds later.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/grondel.desktop)
xvfb-run -a sh -c "$command & pid=\$!; sleep 4; kill -0 \$pid && kill \$pid" ||
    fail "the menu entry's command \"$command\" did not keep running"
echo "window: started from the menu entry and kept running"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq grondel >/dev/null
for gone in $files; do
    [[ -d "$gone" || ! -e "$gone" ]] || fail "$gone is left after removing the package"
done
! dpkg-query -W -f='${Status}' grondel 2>/dev/null | grep -q 'install ok installed' ||
    fail "grondel is still installed"
echo "removed cleanly"
