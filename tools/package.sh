#!/usr/bin/env bash
# Builds Velmora's Debian package from a Release build of what it holds (the two programs
# and their files), with Debian's hardening flags, and prints the package's path.
#
#   tools/package.sh                      build-package/velmora_<version>_<arch>.deb
#   BUILD_DIR=dir tools/package.sh        another build folder
#   sudo apt-get install ./build-package/velmora_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

NO_BUILD=1 tools/setup.sh
BUILD_DIR=${BUILD_DIR:-build-package}

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# Debian's build flags: -O2 as the normal build, fortified functions, stack protector, PIE,
# full RELRO; Release adds only NDEBUG.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# The flags map the checkout to "." (reproducible builds); the same objects come out of any
# checkout, so ccache may reuse them across folders.
export CCACHE_IGNOREOPTIONS="-ffile-prefix-map=*"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF -DVELMORA_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$BUILD_DIR"
rm -f "$BUILD_DIR"/velmora_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD_DIR/cpack.log"; exit 1; }
ls "$PWD/$BUILD_DIR"/velmora_*.deb
