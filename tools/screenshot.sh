#!/usr/bin/env bash
# Pictures of the main window (collapsed, expanded, its menu open), the dictionary editor
# with two entries and the about box, on a private X display with openbox:
# docs/velmora-{collapsed,expanded,menu,dictionary,about}.png. Runs with a temporary home, so
# no settings or pages of the real user are touched.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${VELMORA_BIN:-$root/build/bin/velmora}"
# The app's own build folder when the main one is configured without the app.
[ -x "$bin" ] || [ -n "${VELMORA_BIN:-}" ] || bin="$root/build-app/bin/velmora"
out="${1:-$root/docs}"
[ -x "$bin" ] || { echo "screenshot.sh: $bin not built" >&2; exit 1; }
mkdir -p "$out"
out="$(cd "$out" && pwd)"

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done

tmp="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

export DISPLAY=":$display"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

openbox >"$tmp/openbox.log" 2>&1 &
pids+=($!)
sleep 1

"$bin" --screenshot "$out"
echo "written: $out/velmora-{collapsed,expanded,menu,dictionary,about}.png"
