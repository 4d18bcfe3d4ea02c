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
  mecab-ipadic-utf8 kanjidic libgtest-dev libgmock-dev dpkg-dev patch make curl xz-utils
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

# MeCab's and Gumbo's upstream sources, from the distribution's source packages: their
# original tarballs are all the build needs (our patch to MeCab is applied by the build).
DEPS="$BUILD_DIR/deps"
mkdir -p "$DEPS"
# Source entries beside the binary ones, in a file of our own, unless apt has some already.
add_source_entries() {
  apt-get source --print-uris mecab 2>/dev/null | grep -q orig && return 0
  local src=/etc/apt/sources.list.d/velmora-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$src" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee "${src%.sources}.list" >/dev/null
  fi
  $SUDO apt-get update -qq
}
# upstream_tarball PACKAGE [URL SHA256]: the path of the package's original tarball in
# $DEPS, fetched with apt-get source; when the mirror no longer holds this release's
# tarball, the pinned one at URL (a Debian pool file), checked against SHA256.
upstream_tarball() {
  local package=$1 url=${2:-} sum=${3:-} tar
  tar=$(ls "$DEPS/${package}"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1 || true)
  if [ -z "$tar" ]; then
    add_source_entries >&2
    # Only the original tarball: the packaging tarball is not needed (and may be missing).
    (cd "$DEPS" && apt-get source --download-only -qq "$package" >/dev/null 2>&1 || true)
    tar=$(ls "$DEPS/${package}"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1 || true)
  fi
  if [ -z "$tar" ] && [ -n "$url" ]; then
    local file="$DEPS/$(basename "${url//%2b/+}")"
    if curl -fsSL --retry 3 -o "$file.part" "$url" &&
       echo "$sum  $file.part" | sha256sum -c --quiet - >/dev/null 2>&1; then
      mv "$file.part" "$file"
      tar=$file
    else
      rm -f "$file.part"
    fi
  fi
  [ -n "$tar" ] || { echo "cannot fetch the source package $package" >&2; exit 1; }
  echo "$tar"
}
mecab_tar=$(upstream_tarball mecab)
gumbo_tar=$(upstream_tarball gumbo-parser \
  http://deb.debian.org/debian/pool/main/g/gumbo-parser/gumbo-parser_0.13.0%2bdfsg.orig.tar.xz \
  1d01316617df9cefcd3f43235b519f606a5465a526a768734714fcc51ccb79e4)

cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVELMORA_MECAB_SOURCE="$ROOT/$mecab_tar" \
  -DVELMORA_GUMBO_SOURCE="$ROOT/$gumbo_tar" \
  -DVELMORA_APP=OFF -DVELMORA_BENCH=OFF \
  -DVELMORA_TESTS="$([ -n "${TESTS:-}" ] && echo ON || echo OFF)" \
  ${CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" ${TARGETS:+--target $TARGETS}
cmake --build "$BUILD_DIR" --target velmora-dist
echo "$BUILD_DIR/dist: $(ls "$BUILD_DIR/dist" | tr '\n' ' ')"
