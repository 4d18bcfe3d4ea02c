#!/usr/bin/env bash
# Cross-builds velmora-rubi.exe and the core tests for 64-bit Windows with mingw-w64
# (posix threads, static), into build-win/, and assembles build-win/dist/: the program and
# the dictionaries it reads beside itself (IPAdic's binary files, KANJIDIC). Installs what
# is missing first.
#
#   tools/build-windows.sh                 build-win/dist/ (program, dictionary)
#   TESTS=1 tools/build-windows.sh         also the tests, for ctest under Wine
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build-win}

PACKAGES=(
  cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64
  mecab-ipadic-utf8 kanjidic libgtest-dev libgmock-dev dpkg-dev patch make
)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# MeCab's upstream source, from the distribution's source package: its original tarball
# is all the build needs (our patch is applied by the build).
DEPS="$BUILD_DIR/deps"
mkdir -p "$DEPS"
mecab_tar=$(ls "$DEPS"/mecab_*.orig.tar.* 2>/dev/null | head -n 1 || true)
if [ -z "$mecab_tar" ]; then
  if ! apt-get source --print-uris mecab 2>/dev/null | grep -q orig; then
    # Source entries beside the binary ones, in a file of our own.
    src=/etc/apt/sources.list.d/velmora-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$src" >/dev/null
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee "${src%.sources}.list" >/dev/null
    fi
    $SUDO apt-get update -qq
  fi
  # Only the original tarball: the packaging tarball is not needed (and may be missing).
  (cd "$DEPS" && apt-get source --download-only -qq mecab >/dev/null 2>&1 || true)
  mecab_tar=$(ls "$DEPS"/mecab_*.orig.tar.* 2>/dev/null | head -n 1 || true)
  [ -n "$mecab_tar" ] || { echo "cannot fetch the source package mecab" >&2; exit 1; }
fi

cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVELMORA_MECAB_SOURCE="$ROOT/$mecab_tar" \
  -DVELMORA_APP=OFF -DVELMORA_BENCH=OFF \
  -DVELMORA_TESTS="$([ -n "${TESTS:-}" ] && echo ON || echo OFF)" \
  ${CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" ${TARGETS:+--target $TARGETS}
cmake --build "$BUILD_DIR" --target velmora-dist
echo "$BUILD_DIR/dist: $(ls "$BUILD_DIR/dist" | tr '\n' ' ')"
