#!/usr/bin/env python3
"""The Windows build against the Linux build, on the same input.

Runs build/bin/velmora-rubi (Linux) and build-win/dist/velmora-rubi.exe (under Wine):
  1. --text on every distinct sentence of the public reading set;
  2. every page of the shared real pages, written as ruby pages by both.
Outputs must be equal byte for byte (decoding, what the HTML parser leaves alone, readings,
links, layout), but for the differences listed in KNOWN (each with its reason). Prints each
other difference and exits 1 when there is one. Also prints the time both took on the same
work, and the ratio (Wine / Linux).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# Differences that are not faults, as (pattern on the Windows page, replacement, reason).
KNOWN = [
    (rb"file:///Z:/", b"file:///",
     "a local page's links name its folder by drive on Windows (Wine maps / to Z:)"),
]

def run(cmd, stdin=None):
    start = time.perf_counter()
    p = subprocess.run(cmd, input=stdin, capture_output=True)
    return p, time.perf_counter() - start


def compare_pages(linux, wine, pages_dir, pages, options):
    """Writes every page with both builds; prints each page that differs. Returns
    (pages that differ, (linux seconds, windows seconds)), or None when a build failed."""
    with tempfile.TemporaryDirectory() as tmp:
        lin_data, win_data = os.path.join(tmp, "linux"), os.path.join(tmp, "windows")
        lin, lin_s = run([linux, "--level", "0", "--data-folder", lin_data] + options +
                         [os.path.join(pages_dir, p) for p in pages])
        win, win_s = run(wine + ["--level", "0", "--data-folder", "Z:" + win_data] + options +
                         ["Z:" + os.path.join(pages_dir, p) for p in pages])
        if lin.returncode or win.returncode:
            print("pages failed:", lin.stderr.decode(errors="replace"), win.stderr.decode(errors="replace"))
            return None
        known_hits = {reason: 0 for _, _, reason in KNOWN}
        differ = 0
        for n, name in enumerate(pages, 1):
            a = open(os.path.join(lin_data, "Rubi%d.html" % n), "rb").read()
            b = open(os.path.join(win_data, "Rubi%d.html" % n), "rb").read()
            for pattern, repl, reason in KNOWN:
                b, hits = re.subn(pattern, repl, b)
                known_hits[reason] += hits
            if a != b:
                differ += 1
                al, bl = a.split(b"\r\n"), b.split(b"\r\n")
                for i in range(max(len(al), len(bl))):
                    x = al[i] if i < len(al) else b"(none)"
                    y = bl[i] if i < len(bl) else b"(none)"
                    if x != y:
                        print("%s line %d:\n  linux:   %s\n  windows: %s" % (
                            name, i + 1, x[:200].decode(errors="replace"), y[:200].decode(errors="replace")))
                        break
        for reason, hits in known_hits.items():
            if hits:
                print("  known difference (%d): %s" % (hits, reason))
        return differ, (lin_s, win_s)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--linux", default=os.path.join(ROOT, "build", "bin", "velmora-rubi"))
    ap.add_argument("--windows", default=os.path.join(ROOT, "build-win", "dist", "velmora-rubi.exe"))
    ap.add_argument("--shared", default=os.path.join(ROOT, "..", "shared"))
    args = ap.parse_args()
    wine = [shutil.which("wine") or "wine", args.windows]
    failures = 0

    # 1. The reading set, one sentence a line.
    gold = os.path.join(args.shared, "bench", "reading-gold.tsv")
    seen, sentences = set(), []
    with open(gold, encoding="utf-8") as f:
        next(f)
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) > 1 and cols[1] not in seen and "\r" not in cols[1]:
                seen.add(cols[1])
                sentences.append(cols[1])
    text = ("\n".join(sentences) + "\n").encode("utf-8")
    lin, lin_text_s = run([args.linux, "--text"], text)
    win, win_text_s = run(wine + ["--text"], text)
    if lin.returncode or win.returncode:
        print("--text failed:", lin.stderr.decode(errors="replace"), win.stderr.decode(errors="replace"))
        return 1
    lin_lines = lin.stdout.split(b"\n")
    win_lines = win.stdout.split(b"\n")
    diff = [i for i in range(max(len(lin_lines), len(win_lines)))
            if i >= len(lin_lines) or i >= len(win_lines) or lin_lines[i] != win_lines[i]]
    for i in diff[:20]:
        print("reading set, sentence %d:\n  linux:   %s\n  windows: %s" % (
            i + 1, lin_lines[i].decode() if i < len(lin_lines) else "(none)",
            win_lines[i].decode() if i < len(win_lines) else "(none)"))
    failures += len(diff)
    print("reading set: %d sentences, %d differ" % (len(sentences), len(diff)))

    # 2. The real pages, through the whole pipeline, in both reading styles.
    pages_dir = os.path.abspath(os.path.join(args.shared, "pages", "pages"))
    pages = sorted(os.listdir(pages_dir))
    times = {}
    for style, options in (("brackets", []), ("ruby markup", ["--ruby-tags"])):
        result = compare_pages(args.linux, wine, pages_dir, pages, options)
        if result is None:
            return 1
        differ, times[style] = result
        print("pages, %s: %d written by both, %d differ" % (style, len(pages), differ))
        failures += differ

    # Wine has no Japanese IME: the IME reading service says so and nothing is written.
    ime, _ = run(wine + ["--text", "--reading", "ime"], "漢字\n".encode("utf-8"))
    if ime.returncode != 2 or b"the IME reading service is not available" not in ime.stderr:
        print("--reading ime without an IME:", ime.returncode, ime.stderr.decode(errors="replace"))
        failures += 1

    print("time, reading set --text: linux %.2f s, windows under wine %.2f s, ratio %.2f" % (
        lin_text_s, win_text_s, win_text_s / lin_text_s))
    for style, (lin_s, win_s) in times.items():
        print("time, %d pages, %s: linux %.2f s, windows under wine %.2f s, ratio %.2f" % (
            len(pages), style, lin_s, win_s, win_s / lin_s))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
