#!/usr/bin/env bash
# Cross-builds the Qt 6 the window program needs for 64-bit Windows (MinGW-w64, static, release)
# from Debian's own sources of qt6-base and qt6-svg, the versions the Linux build uses: Core, Gui,
# Widgets, Test, Concurrent and Svg, with the windows and offscreen platform plugins, JPEG and
# zlib taken from the windows-deps prefix (one copy of each in a program that links both). It
# installs into ${XDG_CACHE_HOME:-$HOME/.cache}/grondel/windows-qt/KEY, KEY covering the sources,
# the compiler, the windows-deps build it links and this script's options, so a second run only links
# build/windows-qt to the prefix. Prints each step's time and the installed size. Debian 12, as
# root.
#
# GRONDEL_QTSVG_TREE=DIR builds Qt Svg from an unpacked qtsvg tree of the same version instead of
# Debian's qt6-svg sources (unverified: only where the archive does not serve those).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
triple=x86_64-w64-mingw32

scripts/setup.sh g++-mingw-w64-x86-64-posix dpkg-dev nasm ninja-build perl qt6-base-dev-tools \
    qt6-base-dev qt6-svg-dev >&2
scripts/windows-deps.sh
deps=$(readlink -f build/windows-deps)

# The sources of the host's Qt: its moc, rcc and uic must be of the very version built here.
sources=()
for package in qt6-base-dev-tools qt6-svg-dev; do
    sources+=("$(dpkg-query -W -f='${source:Package}=${source:Version}' "$package")")
done
# What the cache key covers besides the sources and the compiler: the options below and this
# number, raised when a change to the steps would build a different Qt. Other edits to this
# script (messages, checks, timings) keep the cached build.
build_procedure=1

# qt6-base, optimised for size (smaller programs, shorter build). Direct2D stays on: without it
# 6.4 leaves out the DirectWrite font database that the windows plugin still calls; Direct2D 1.1
# only adds the direct2d platform plugin, a twentieth of the build. Debian's tarball has no
# wintab, so no tablet events.
base_options=(
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_optimize_size=ON -DFEATURE_direct2d1_1=OFF
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_concurrent=ON -DFEATURE_testlib=ON
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF
    -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
    -DFEATURE_androiddeployqt=OFF -DFEATURE_freetype=ON
    -DFEATURE_jpeg=ON -DFEATURE_system_jpeg=ON -DFEATURE_system_zlib=ON
    -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_textmarkdownreader=OFF
)

svg_tree=${GRONDEL_QTSVG_TREE:+$(readlink -f "$GRONDEL_QTSVG_TREE")}
key=$( (printf '%s\n' "${sources[@]}" "windows-deps ${deps##*/}"
        "$triple-g++-posix" --version | head -1
        printf '%s\n' "build $build_procedure" "${base_options[@]}"
        cat cmake/mingw-w64.cmake
        if [[ -n $svg_tree ]]; then
            (cd "$svg_tree" && find . -type f ! -path './.git/*' -print0 | sort -z | xargs -0 sha256sum)
        fi) | sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/grondel/windows-qt
prefix=$cache/$key
mkdir -p build
if [[ -f $prefix/.complete ]]; then
    ln -sfn "$prefix" build/windows-qt
    echo "windows-qt: cached in $prefix (${sources[*]})"
    exit 0
fi
echo "windows-qt: building ${sources[*]} into $prefix"

# apt-get source needs a deb-src entry; windows-deps.sh has added one when there was none.
mkdir -p "$cache"
work=$(mktemp -d "$cache/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
# Installed in place (Qt's files name their prefix) and published by the marker alone: a run that
# stopped half way left no marker, so start that prefix afresh.
rm -rf "$prefix"
jobs=$(nproc)
((jobs > 2)) && jobs=2

step_start=$SECONDS
timings=()
step_done() {
    timings+=("$1 $((SECONDS - step_start)) s")
    step_start=$SECONDS
}
fail() {
    echo "windows-qt: $*" >&2
    exit 1
}

# fetch NAME=VERSION: downloads the source package into $work, checks the .dsc against the
# archive's signed source index (apt has checked that index) and every file against the .dsc's
# SHA-256 sums before anything is unpacked, then unpacks it with Debian's patches.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
fetch() {
    local source=$1 name=${1%%=*} version=${1#*=}
    (cd "$work" && { apt-get source -qq --download-only --only-source "$source" >/dev/null 2>&1 ||
        { echo "windows-qt: no sources for $source, using $name/$release"
          apt-get source -qq --download-only --only-source "$name/$release" >/dev/null 2>&1; }; }) ||
        fail "the archive does not serve the sources of $name (apt-get source $name)"
    local dsc
    dsc=$(cd "$work" && ls "${name}"_*.dsc)
    version=${dsc#"${name}_"}
    version=${version%.dsc}
    local expected actual
    expected=$(apt-cache showsrc --only-source "$name" |
        awk -v file="$dsc" 'length($1) == 64 && $3 == file { print $1; exit }')
    actual=$(sha256sum "$work/$dsc" | cut -d' ' -f1)
    [[ -n $expected && $expected == "$actual" ]] ||
        fail "$dsc does not match the archive's source index"
    awk '/^Checksums-Sha256:/ { listing = 1; next } /^[^ ]/ { listing = 0 }
         listing && NF == 3 { print $1 "  " $3 }' "$work/$dsc" >"$work/$name.sha256"
    [[ -s $work/$name.sha256 ]] || fail "$dsc lists no SHA-256 sums"
    (cd "$work" && sha256sum --quiet --strict -c "$name.sha256") ||
        fail "the sources of $name do not match $dsc"
    echo "windows-qt: $name $version: $(wc -l <"$work/$name.sha256") files match $dsc"
    (cd "$work" && dpkg-source -q -x "$dsc" "$name" >"$work/$name-unpack.log" 2>&1) ||
        { cat "$work/$name-unpack.log"; fail "cannot unpack $dsc"; }
    (cd "$work" && cut -d' ' -f3 "$name.sha256" | xargs rm -f)
}

configure() { # configure NAME SOURCE_FOLDER CMAKE_OPTIONS...
    local name=$1 source=$2
    shift 2
    cmake -S "$source" -B "$work/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DGRONDEL_WINDOWS_DEPS="$deps" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        "$@" >"$work/$name.log" 2>&1 || { tail -60 "$work/$name.log"; fail "cannot configure $name"; }
}
compile() { # compile NAME
    cmake --build "$work/build-$1" -j"$jobs" >>"$work/$1.log" 2>&1 ||
        { grep -B2 -A12 -m3 'FAILED:\|error:' "$work/$1.log" | head -80; fail "cannot build $1"; }
}
finish() { # finish NAME: and drop its build folder, the largest thing here
    cmake --install "$work/build-$1" >>"$work/$1.log" 2>&1 || { tail -40 "$work/$1.log"; exit 1; }
    rm -rf "$work/build-$1"
}

# Both sources first: a missing one stops the run before the long build.
fetch "${sources[0]}"
step_done "base fetch"
if [[ -n $svg_tree ]]; then
    echo "windows-qt: qtsvg from $svg_tree (not Debian's sources, unverified)"
    svg_source=$svg_tree
else
    fetch "${sources[1]}"
    svg_source=$work/qt6-svg
fi
step_done "svg fetch"

configure base "$work/qt6-base" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${base_options[@]}"
for feature in system_jpeg system_zlib freetype testlib concurrent widgets; do
    grep -q "^QT_FEATURE_$feature:INTERNAL=ON" "$work/build-base/CMakeCache.txt" ||
        fail "qt6-base configured without $feature (see the log above)"
done
step_done "base configure"
compile base
step_done "base build"
finish base
step_done "base install"

# qt6-svg, against the Qt just installed (its toolchain file chain-loads the MinGW one).
configure svg "$svg_source" -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake"
step_done "svg configure"
compile svg
step_done "svg build"
finish svg
step_done "svg install"

for library in Qt6Core Qt6Gui Qt6Widgets Qt6Test Qt6Concurrent Qt6Svg \
    plugins/platforms/qwindows plugins/platforms/qoffscreen plugins/iconengines/qsvgicon; do
    [[ -f $prefix/lib/lib$library.a || -f $prefix/${library%/*}/lib${library##*/}.a ]] ||
        fail "$library was not installed"
done

# Proof that a program of the window's kind links: Widgets, Svg icons, Concurrent and both
# platform plugins, with the program's own JPEG and zlib beside Qt's use of them.
mkdir -p "$work/smoke"
cat >"$work/smoke/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(smoke LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg Concurrent Test)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
add_executable(smoke smoke.cpp)
target_link_libraries(smoke PRIVATE Qt6::Widgets Qt6::Svg Qt6::Concurrent Qt6::Test JPEG::JPEG
    ZLIB::ZLIB)
qt_import_plugins(smoke INCLUDE Qt6::QOffscreenIntegrationPlugin)
CMAKE
cat >"$work/smoke/smoke.cpp" <<'CPP'
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QSvgRenderer>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest/QTest>
#include <cstdio>
#include <jpeglib.h>
#include <zlib.h>
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    jpeg_error_mgr errors;
    jpeg_std_error(&errors);
    QLabel label(QString::fromLatin1(zlibVersion()));
    label.setWindowIcon(QIcon(QStringLiteral("icon.svg")));
    QSvgRenderer svg;
    QTest::qWait(QtConcurrent::run([] { return 1; }).result());
    return svg.isValid() ? 1 : 0;
}
CPP
configure smoke "$work/smoke" -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake"
compile smoke
[[ -f $work/build-smoke/smoke.exe ]] || fail "the proof program did not link"
step_done "link check"

# Publish: the marker makes the prefix whole; then drop older builds.
touch "$prefix/.complete"
find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "build.*" ! -name "$key" -exec rm -rf {} +
ln -sfn "$prefix" build/windows-qt
echo "windows-qt: ready in $prefix, $(du -sh "$prefix" | cut -f1) installed"
printf '%s\n' "windows-qt: ${timings[*]}" | sed 's/ s /&| /g'
# Processor time of the whole build: the measure that holds on a machine shared with others.
times >"$work/times" # in this shell: a pipe would count a subshell's time
cpu=$(tail -1 "$work/times" | awk '{ split($1, u, "m"); split($2, s, "m"); print int(u[1] + s[1]) }')
echo "windows-qt: $cpu processor-minutes"
