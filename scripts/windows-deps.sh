#!/usr/bin/env bash
# Cross-builds zlib, libspng and libjpeg-turbo for 64-bit Windows (MinGW-w64, static) from
# Debian's own source packages, the versions the Linux build links, and GoogleTest from Debian's
# googletest sources, into a prefix kept in
# ${XDG_CACHE_HOME:-$HOME/.cache}/grondel/windows-deps/KEY. KEY covers the versions, the
# compiler, this script and the toolchain file, so a second run only links build/windows-deps to
# the prefix, which the windows preset reads. Debian 12, as root.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
triple=x86_64-w64-mingw32
packages=(zlib1g-dev libspng-dev libjpeg62-turbo-dev)

scripts/setup.sh g++-mingw-w64-x86-64-posix dpkg-dev nasm googletest "${packages[@]}" >&2

# Source package name=version for each library, as installed for Linux.
sources=()
for package in "${packages[@]}"; do
    sources+=("$(dpkg-query -W -f='${source:Package}=${source:Version}' "$package")")
done
key=$( (printf '%s\n' "${sources[@]}"; dpkg-query -W googletest
        "$triple-gcc-posix" --version | head -1
        cat scripts/windows-deps.sh scripts/debian-sources.sh cmake/mingw-w64.cmake) | sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/grondel/windows-deps
prefix=$cache/$key
mkdir -p build
if [[ -f $prefix/.complete ]]; then
    ln -sfn "$prefix" build/windows-deps
    echo "windows-deps: cached in $prefix (${sources[*]})"
    exit 0
fi
echo "windows-deps: building ${sources[*]} into $prefix"

mkdir -p "$cache"
work=$(mktemp -d "$cache/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/prefix
mkdir -p "$stage"
# The exact versions the Linux build links.
scripts/debian-sources.sh "$work" "${sources[@]}"
jobs=$(nproc)
((jobs > 2)) && jobs=2

configure() { # configure NAME SOURCE_FOLDER CMAKE_OPTIONS...
    local name=$1 source=$2
    shift 2
    cmake -S "$source" -B "$work/build-$name" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
        -DGRONDEL_WINDOWS_DEPS="$stage" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$stage" "$@" >"$work/$name.log" 2>&1 ||
        { cat "$work/$name.log"; exit 1; }
}
compile() { # compile NAME [TARGET]
    cmake --build "$work/build-$1" -j"$jobs" ${2:+--target "$2"} >>"$work/$1.log" 2>&1 ||
        { tail -40 "$work/$1.log"; exit 1; }
}
build() { # build NAME SOURCE_FOLDER CMAKE_OPTIONS...
    configure "$@"
    compile "$1"
    cmake --install "$work/build-$1" >>"$work/$1.log" 2>&1
}

# zlib: the static library alone (Debian's sources lack the DLL's resource file), as libz.a,
# the name FindZLIB looks for.
zlib=$(echo "$work"/zlib-*/)
configure zlib "$zlib"
compile zlib zlibstatic
mkdir -p "$stage/include" "$stage/lib"
cp "$zlib/zlib.h" "$work/build-zlib/zconf.h" "$stage/include/"
cp "$work/build-zlib/libzlibstatic.a" "$stage/lib/libz.a"

# libspng: as Debian builds it (its generic filters, no SIMD ones), the static library alone
# (its CMake file cannot configure without the shared one, so only that target is built).
spng=$(echo "$work"/libspng-*/)
configure spng "$spng" -DENABLE_OPT=OFF -DBUILD_EXAMPLES=OFF
compile spng spng_static
cp "$spng/spng/spng.h" "$stage/include/"
cp "$work/build-spng/libspng_static.a" "$stage/lib/"

# libjpeg-turbo: the libjpeg 6.2 interface with SIMD, as Debian builds it for amd64.
build jpeg "$(echo "$work"/libjpeg-turbo-*/)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
rm -rf "$stage/bin" "$stage/share/man"

# GoogleTest, for the tests: built once here rather than in every build folder.
build gtest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON

# Proof that the three link into one static program.
cat >"$work/smoke.c" <<'C'
#include <stdio.h>
#include <jpeglib.h>
#include <spng.h>
#include <zlib.h>
int main(void) {
    struct jpeg_decompress_struct info;
    struct jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_destroy_decompress(&info);
    spng_ctx* png = spng_ctx_new(0);
    spng_ctx_free(png);
    printf("zlib %s, libspng %s\n", zlibVersion(), spng_version_string());
    return 0;
}
C
"$triple-gcc-posix" -static -DSPNG_STATIC -I"$stage/include" "$work/smoke.c" -o "$work/smoke.exe" \
    -L"$stage/lib" -lspng_static -ljpeg -lz

# Publish whole or not at all, and drop older builds.
touch "$stage/.complete"
find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "build.*" -exec rm -rf {} +
mv "$stage" "$prefix"
ln -sfn "$prefix" build/windows-deps
echo "windows-deps: ready in $prefix"
