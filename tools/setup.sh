#!/usr/bin/env bash
# Installs the Debian packages Velmora needs (only those missing), then configures and
# builds it into build/ (NO_BUILD=1: packages only). Safe to run again; quick when
# everything is there.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-dev clang-format
  libmecab-dev mecab-ipadic-utf8 mecab kanjidic
  libicu-dev libgumbo-dev
  libcurl4-openssl-dev libssl-dev ca-certificates
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libx11-dev libxi-dev libxtst-dev libxfixes-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth openbox x11-utils fonts-noto-cjk
  librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream man-db
  firefox-esr dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ -z "${NO_BUILD:-}" ] || exit 0

BUILD_DIR=${BUILD_DIR:-build}
# The compiler cache makes a rebuild in a new checkout quick; paths are taken relative to the
# checkout, so a clone in another folder reuses what an earlier build compiled.
LAUNCHER=""
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} $LAUNCHER ${CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR"
