#!/usr/bin/env bash
# Sets Velmora up (missing packages, build) and runs every test: the unit, pipeline,
# network and desktop tests, the same tests under AddressSanitizer + UndefinedBehavior-
# Sanitizer, the Windows build's tests under Wine with its output compared to the Linux
# build's, bounded fuzz runs, the Debian package test and the format check.
#
#   tools/test.sh            everything
#   QUICK=1 tools/test.sh    the normal build's tests only
#   SKIP_PACKAGE=1           everything but the Debian package test (it installs the
#                            package into this machine, then removes it)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
JOBS=${JOBS:-$(nproc)}

CMAKE_ARGS="-DVELMORA_WERROR=ON ${CMAKE_ARGS:-}" tools/setup.sh || exit 1

# A private X display with a real window manager for the desktop tests.
XVFB_PID=""
WM_PID=""
WINE_DIR=""
cleanup() {
  [ -n "$WINE_DIR" ] && { WINEPREFIX="$WINE_DIR" wineserver -k 2>/dev/null; rm -rf "$WINE_DIR"; }
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISP=":$n"; break; }
done
Xvfb "$DISP" -screen 0 1280x1024x24 -nolisten tcp >/tmp/velmora-xvfb.log 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do xdpyinfo -display "$DISP" >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY="$DISP" openbox >/tmp/velmora-openbox.log 2>&1 &
WM_PID=$!
export DISPLAY="$DISP"

passed=0
failed=0
status=0
run_ctest() {  # build dir, label, extra ctest arguments
  local log
  log=$(mktemp)
  echo "== tests ($2)"
  (cd "$1" && ctest --output-on-failure -j"$JOBS" --timeout 600 ${3:-}) 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local total fail
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fail=$(sed -E 's/.*tests passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - fail))
    failed=$((failed + fail))
  fi
  [ "$rc" -eq 0 ] || status=1
  rm -f "$log"
}

run_ctest build "normal build"

if [ -z "${QUICK:-}" ]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  if BUILD_DIR=build-asan BUILD_TYPE=Debug \
     CMAKE_ARGS="-DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DVELMORA_WERROR=ON" tools/setup.sh; then
    run_ctest build-asan "sanitizers"
  else
    echo "sanitizer build failed"; status=1; failed=$((failed + 1))
  fi

  echo "== Windows build (mingw-w64), its tests under Wine"
  win_start=$SECONDS
  if TESTS=1 CMAKE_ARGS="-DVELMORA_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache" \
     tools/build-windows.sh >/tmp/velmora-build-win.log 2>&1; then
    # One Wine prefix for the run, its server kept up and started once before the tests.
    WINE_DIR=$(mktemp -d /tmp/velmora-wine.XXXXXX)
    export WINEPREFIX="$WINE_DIR" WINEDEBUG=-all
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1
    # A test whose Wine process fails to start gets one more try.
    run_ctest build-win "Windows build under Wine" "--repeat until-pass:2"
    if python3 tools/compare-windows.py; then
      echo "Windows and Linux output: same"; passed=$((passed + 1))
    else
      echo "Windows and Linux output: FAILED"; failed=$((failed + 1)); status=1
    fi
    wineserver -k 2>/dev/null
    rm -rf "$WINE_DIR"
    WINE_DIR=""
    unset WINEPREFIX
  else
    tail -n 40 /tmp/velmora-build-win.log
    echo "Windows build failed"; status=1; failed=$((failed + 1))
  fi
  echo "Windows stage: $((SECONDS - win_start)) s"

  echo "== fuzz targets, ${FUZZ_SECONDS}s each"
  if CC=clang CXX=clang++ BUILD_DIR=build-fuzz \
     CMAKE_ARGS="-DVELMORA_FUZZ=ON -DVELMORA_APP=OFF -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF" tools/setup.sh; then
    for f in build-fuzz/bin/fuzz_*; do
      name=$(basename "$f")
      corpus=$(mktemp -d)
      [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
      if "$f" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=20 -print_final_stats=0 \
           "$corpus" >"/tmp/velmora-$name.log" 2>&1; then
        echo "fuzz $name: ok"; passed=$((passed + 1))
      else
        echo "fuzz $name: FAILED"; tail -n 40 "/tmp/velmora-$name.log"; failed=$((failed + 1)); status=1
      fi
      rm -rf "$corpus"
    done
  else
    echo "fuzz build failed"; status=1; failed=$((failed + 1))
  fi

  if [ -z "${SKIP_PACKAGE:-}" ]; then
    echo "== Debian package: build, lintian, install, run, remove"
    pkglog=$(mktemp)
    tools/package-test.sh 2>&1 | tee "$pkglog"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    line=$(grep -E '^package: [0-9]+ passed, [0-9]+ failed,' "$pkglog" | tail -n 1)
    rm -f "$pkglog"
    if [ -n "$line" ]; then
      passed=$((passed + $(sed -E 's/^package: ([0-9]+) passed.*/\1/' <<<"$line")))
      failed=$((failed + $(sed -E 's/.* ([0-9]+) failed,.*/\1/' <<<"$line")))
    else
      failed=$((failed + 1))
    fi
  fi

  echo "== format"
  if git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>/tmp/velmora-format.log; then
    echo "format: ok"; passed=$((passed + 1))
  else
    head -n 40 /tmp/velmora-format.log; echo "format: FAILED"; failed=$((failed + 1)); status=1
  fi
fi

echo "$passed passed, $failed failed"
exit $status
