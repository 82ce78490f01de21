#!/usr/bin/env bash
# Builds libspng as a static library, from Debian's own source package of the version installed,
# for the converter to link in (Debian ships the shared library only), into a prefix kept in
# ${XDG_CACHE_HOME:-$HOME/.cache}/grondel/spng-static/KEY and linked from build/spng-static,
# where the build looks for it. KEY covers the version, the compiler and this script, so a second
# run only links the prefix. Without it the converter links libspng as the other programs do.
# Debian 12, as root, after scripts/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

source=$(dpkg-query -W -f='${source:Package}=${source:Version}' libspng-dev)
key=$( (echo "$source"; gcc --version | head -1; cat scripts/static-spng.sh scripts/debian-sources.sh) |
      sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/grondel/spng-static
prefix=$cache/$key
mkdir -p build
if [[ -f $prefix/.complete ]]; then
    ln -sfn "$prefix" build/spng-static
    exit 0
fi
echo "static-spng: building $source into $prefix"

mkdir -p "$cache"
work=$(mktemp -d "$cache/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
scripts/debian-sources.sh "$work" "$source"
spng=$(echo "$work"/libspng-*/)
# As Debian builds it (its generic filters, no SIMD ones), position-independent for a static-pie
# program; only the static target, since its CMake file cannot configure without the shared one.
cmake -S "$spng" -B "$work/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DENABLE_OPT=OFF -DBUILD_EXAMPLES=OFF \
    >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
cmake --build "$work/build" --target spng_static -j2 >>"$work/log" 2>&1 ||
    { tail -40 "$work/log"; exit 1; }

# Publish whole or not at all, with the version the build checks against the installed headers,
# and drop older builds.
stage=$work/prefix
mkdir -p "$stage/lib"
cp "$work/build/libspng_static.a" "$stage/lib/"
pkg-config --modversion spng >"$stage/version"
touch "$stage/.complete"
find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "build.*" -exec rm -rf {} +
mv "$stage" "$prefix"
ln -sfn "$prefix" build/spng-static
echo "static-spng: ready in $prefix"
