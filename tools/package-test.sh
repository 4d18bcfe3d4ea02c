#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it into this machine with
# apt-get, runs the installed programs and checks their files, then purges the package and
# checks that nothing of it is left. The package is removed however the run ends. Needs
# root (CI runs as root); the window check needs $DISPLAY and is skipped without one.
#
#   tools/package-test.sh      prints one line per check and "package: N passed, N failed"
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

passed=0
failed=0
check() {  # name, command...
    local name=$1
    shift
    if "$@"; then
        echo "package: $name: ok"
        passed=$((passed + 1))
    else
        echo "package: $name: FAILED"
        failed=$((failed + 1))
    fi
}
# A command's output only when it fails.
quiet() {
    local log
    log=$(mktemp)
    if "$@" >"$log" 2>&1; then
        rm -f "$log"
    else
        cat "$log"
        rm -f "$log"
        return 1
    fi
}
summary() {
    echo "package: $passed passed, $failed failed, $(($(date +%s) - start)) s"
    [ "$failed" -eq 0 ]
}

APT=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300)
[ "$(id -u)" -eq 0 ] || APT=(sudo "${APT[@]}")

# One package test at a time on a machine: they install and remove the same package.
exec 9>/tmp/velmora-package-test.lock
flock 9

start=$(date +%s)
WORK=$(mktemp -d /tmp/velmora-package-test.XXXXXX)
APP_PID=""
LINTIAN_PID=""
installed_by_us=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$LINTIAN_PID" ] && kill "$LINTIAN_PID" 2>/dev/null
    if [ -n "$installed_by_us" ] && dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q installed; then
        "${APT[@]}" purge velmora >/dev/null 2>&1
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! tools/package.sh >"$WORK/package.log" 2>&1 || ! deb=$(tail -n 1 "$WORK/package.log") ||
    [ ! -f "$deb" ]; then
    tail -n 40 "$WORK/package.log"
    check "build" false
    summary
    exit 1
fi
check "build ($(($(date +%s) - start)) s)" true

# lintian reads only the package file: it runs beside the install checks.
lintian --fail-on error "$deb" >"$WORK/lintian.log" 2>&1 &
LINTIAN_PID=$!

if dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q 'install ok installed'; then
    echo "package: removing a velmora package left by an earlier run"
    quiet "${APT[@]}" purge velmora
fi
installed_by_us=1
check "apt-get install ./$(basename "$deb")" quiet "${APT[@]}" install --no-install-recommends "$deb"
dpkg -L velmora >"$WORK/files" 2>/dev/null

# The installed programs, from /usr/bin, with a home of their own.
export HOME=$WORK/home XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/home/.config
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
rubi_text() {
    [ "$(printf '東京へ行った。\n' | /usr/bin/velmora-rubi --text)" = '東京(とうきょう)へ行(い)った。' ]
}
check "velmora-rubi --text" rubi_text
rubi_page() {  # the help page the package ships
    local page=/usr/share/velmora/Help/Help.html out
    out=$(/usr/bin/velmora-rubi --data-folder "$WORK/data" "$page") || return 1
    [ "$out" = "$WORK/data/Rubi1.html" ] && [ -s "$out" ] || return 1
    # Readings were added: more opening brackets than the page had.
    [ "$(grep -o '(' "$out" | wc -l)" -gt "$(grep -o '(' "$page" | wc -l)" ]
}
check "velmora-rubi on the bundled help page" rubi_page
check "velmora finds its installed help page" \
    [ "$(/usr/bin/velmora --help-page)" = /usr/share/velmora/Help/Help.html ]

man_renders() {
    [ "$(man -w velmora-rubi)" = /usr/share/man/man1/velmora-rubi.1.gz ] || return 1
    local text
    text=$(MANWIDTH=80 man velmora-rubi 2>&1) || return 1
    grep -q '^EXIT STATUS' <<<"$text" && grep -q -- '--data-folder' <<<"$text" &&
        MANWIDTH=80 man velmora >/dev/null
}
check "man velmora-rubi" man_renders
check "desktop-file-validate" desktop-file-validate /usr/share/applications/velmora.desktop
check "appstreamcli validate" \
    quiet appstreamcli validate --no-net /usr/share/metainfo/org.quorrin.velmora.metainfo.xml
icons() {
    local size
    file /usr/share/icons/hicolor/scalable/apps/velmora.svg | grep -q 'SVG' || return 1
    for size in 48 128; do
        file "/usr/share/icons/hicolor/${size}x${size}/apps/velmora.png" |
            grep -q "PNG image data, $size x $size" || return 1
    done
}
check "icons" icons

# The window's class is the desktop entry's StartupWMClass, so docks match the two.
window_class() {
    local want ids id pid class
    want=$(sed -n 's/^StartupWMClass=//p' /usr/share/applications/velmora.desktop)
    /usr/bin/velmora >"$WORK/velmora.log" 2>&1 &
    APP_PID=$!
    for _ in $(seq 100); do
        ids=$(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*')
        for id in $ids; do
            pid=$(xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -o '[0-9]*$')
            [ "$pid" = "$APP_PID" ] || continue
            class=$(xprop -id "$id" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p')
            kill "$APP_PID"
            wait "$APP_PID" 2>/dev/null
            APP_PID=""
            echo "package: window class \"$class\", StartupWMClass \"$want\""
            [ -n "$want" ] && [ "$class" = "$want" ]
            return
        done
        sleep 0.1
    done
    cat "$WORK/velmora.log"
    return 1
}
if [ -n "${DISPLAY:-}" ]; then
    check "window class is StartupWMClass" window_class
else
    echo "package: window class: skipped (no DISPLAY)"
fi

check "apt-get purge velmora" quiet "${APT[@]}" purge velmora
installed_by_us=""
nothing_left() {
    local f left=0
    dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q 'installed' && left=1
    while read -r f; do
        if [ -f "$f" ] || [ -L "$f" ]; then
            echo "left: $f"
            left=1
        fi
    done <"$WORK/files"
    for f in /usr/share/velmora /usr/share/doc/velmora; do
        [ -e "$f" ] && { echo "left: $f"; left=1; }
    done
    [ "$(wc -l <"$WORK/files")" -gt 10 ] && [ "$left" -eq 0 ]
}
check "nothing of the package is left" nothing_left

wait "$LINTIAN_PID"
lintian_rc=$?
LINTIAN_PID=""
grep -v 'running with root privileges' "$WORK/lintian.log"
check "lintian without errors" [ "$lintian_rc" -eq 0 ]
summary
