#!/usr/bin/env bash
# Cross-builds the Windows program with Debian's mingw-w64 and packs it for players:
#   build-windows/vask-light-cycles-windows.zip   one folder, vask-light-cycles/, holding
#                                                 vask.exe, its data files, the licences
#                                                 and README-windows.txt
# Run from the repository root. Installs what it needs from Debian (only what is missing),
# then builds libjpeg-turbo and GoogleTest for Windows from Debian's own sources, once:
# both are kept in build-windows/deps and reused by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
B=${VASK_WINDOWS_BUILD:-$root/build-windows}
mkdir -p "$B"
B=$(cd "$B" && pwd)
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
[ -n "${VASK_JOBS:-}" ] && jobs=$VASK_JOBS

# --- packages from Debian ---------------------------------------------------------------
bash scripts/install-packages.sh scripts/packages-windows.txt

toolchain=$root/cmake/toolchain-mingw-w64.cmake
deps=$B/deps
mkdir -p "$deps"

# --- libjpeg-turbo from Debian's source package --------------------------------------------
if [ ! -f "$deps/jpeg/lib/libjpeg.a" ]; then
  echo "== libjpeg-turbo for Windows =="
  [ -f "$deps/libjpeg-turbo-src/CMakeLists.txt" ] ||
    bash scripts/debian-source.sh libjpeg-turbo "$deps/apt" "$deps/libjpeg-turbo-src"
  rm -rf "$deps/jpeg-build"
  # No SIMD: that would need nasm, and the title picture is decoded once.
  cmake -S "$deps/libjpeg-turbo-src" -B "$deps/jpeg-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/jpeg" -DCMAKE_INSTALL_LIBDIR=lib \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF >/dev/null
  cmake --build "$deps/jpeg-build" -j"$jobs" --target jpeg-static >/dev/null
  # Installing would need the command-line tools too: take the library and headers.
  mkdir -p "$deps/jpeg/lib" "$deps/jpeg/include"
  cp "$deps/jpeg-build/libjpeg.a" "$deps/jpeg/lib/libjpeg.a"
  cp "$deps/jpeg-build/jconfig.h" "$deps/libjpeg-turbo-src/jerror.h" \
     "$deps/libjpeg-turbo-src/jmorecfg.h" "$deps/libjpeg-turbo-src/jpeglib.h" "$deps/jpeg/include/"
fi

# Its licence goes into the players' zip, as the library is linked into the program.
[ -f "$deps/jpeg/LICENSE.md" ] || cp "$deps/libjpeg-turbo-src/LICENSE.md" "$deps/jpeg/LICENSE.md"

# --- GoogleTest from Debian's googletest package (its sources in /usr/src/googletest) -----
if [ ! -f "$deps/gtest/lib/libgtest.a" ]; then
  echo "== GoogleTest for Windows =="
  rm -rf "$deps/gtest-build"
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/gtest" -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/gtest-build" -j"$jobs" >/dev/null
  cmake --install "$deps/gtest-build" >/dev/null
fi

# --- the game -----------------------------------------------------------------------------
echo "== The Windows program =="
# VASK_ICON_RENDERER names a render_icon already built for this machine (the test command
# passes the Linux build's); without it the build makes one of its own.
cmake -S . -B "$B" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DVASK_ICON_RENDERER="${VASK_ICON_RENDERER:-}" \
  -DJPEG_INCLUDE_DIR="$deps/jpeg/include" -DJPEG_LIBRARY="$deps/jpeg/lib/libjpeg.a" \
  -DGTest_DIR="$deps/gtest/lib/cmake/GTest" -DVASK_JPEG_LICENSE="$deps/jpeg/LICENSE.md" \
  "$@" >/dev/null
cmake --build "$B" -j"$jobs"
cmake --build "$B" --target windows_zip >/dev/null
echo "build-windows: $B/vask-light-cycles-windows.zip"
