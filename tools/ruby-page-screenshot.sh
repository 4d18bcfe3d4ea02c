#!/usr/bin/env bash
# A picture of a real page in ruby markup as a browser shows it: docs/velmora-ruby-page.png.
# Annotates the page with velmora-rubi --ruby-tags into a temporary data folder and takes
# the picture with headless Chromium (Debian package chromium) and a fresh profile.
#
#   tools/ruby-page-screenshot.sh [PAGE] [OUT.png]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
page="${1:-$root/../shared/pages/pages/debian-faq-ja__basic-defs.ja.html}"
out="${2:-$root/docs/velmora-ruby-page.png}"
bin="${VELMORA_BIN:-$root/build/bin/velmora-rubi}"
browser="$(command -v chromium || true)"
[ -x "$bin" ] || { echo "ruby-page-screenshot.sh: $bin not built" >&2; exit 1; }
[ -n "$browser" ] || { echo "ruby-page-screenshot.sh: needs chromium (apt-get install chromium)" >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
written="$("$bin" --ruby-tags --data-folder "$tmp/data" "$page")"
mkdir -p "$(dirname "$out")"
"$browser" --headless --no-sandbox --disable-gpu --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$tmp/profile" --hide-scrollbars --window-size=900,700 \
  --screenshot="$out" "file://$written" >"$tmp/chromium.log" 2>&1 ||
  { cat "$tmp/chromium.log" >&2; exit 1; }
echo "$out"
