#!/usr/bin/env bash
# Sets Velmora up (missing packages, build) and annotates the bundled sample page
# (Shift_JIS) into a fresh data folder; prints where the ruby page was written.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
OUT=${1:-${TMPDIR:-/tmp}/velmora-demo}
rm -f "$OUT"/Rubi*.html
echo "Ruby page written to:"
build/bin/velmora-rubi --data-folder "$OUT" data/sample/index.html
