#!/usr/bin/env python3
"""Reading accuracy on human-marked readings.

Annotates every distinct sentence of reading-gold.tsv once with velmora-rubi --text, and
reads the same sentences with whole-sentence MeCab (same dictionary) as the reference.
A kanji run is scored when the gold words inside it cover it exactly; it is right when
their concatenated readings equal the run's reading. A reading written after digits and a
counter may cover the digits (3日(みっか)): it is right when its end equals the gold
reading of the counter. Prints the right share overall and per source for both, and the
unscored runs; --classes counts the engine's wrong runs by kind of error, --wrong FILE
lists them.
"""
import argparse
import collections
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def is_kanji(s, i):
    c = ord(s[i])
    if 0x4E00 <= c <= 0x9FCF or 0x3400 <= c <= 0x4DBF or 0xF900 <= c <= 0xFAFF or c == 0x3005:
        return True
    return 0x20000 <= c <= 0x2A6DF


def kanji_runs(s):
    runs, i = [], 0
    while i < len(s):
        if is_kanji(s, i):
            j = i
            while j < len(s) and is_kanji(s, j):
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    return runs


def utf16_to_index(s, off16):
    n = 0
    for i, ch in enumerate(s):
        if n >= off16:
            return i
        n += 2 if ord(ch) > 0xFFFF else 1
    return len(s)


def hira(s):
    return "".join(chr(ord(c) - 0x60) if 0x30A1 <= ord(c) <= 0x30F6 else c for c in s)


VOWEL = {}
for row in ["あかさたなはまやらわがざだばぱぁゃゎ", "いきしちにひみりぎじぢびぴぃ",
            "うくすつぬふむゆるぐずづぶぷぅゅっゔ", "えけせてねへめれげぜでべぺぇ",
            "おこそとのほもよろをごぞどぼぽぉょ"]:
    v = "あいうえお"[["あかさたなはまやらわがざだばぱぁゃゎ", "いきしちにひみりぎじぢびぴぃ",
                   "うくすつぬふむゆるぐずづぶぷぅゅっゔ", "えけせてねへめれげぜでべぺぇ",
                   "おこそとのほもよろをごぞどぼぽぉょ"].index(row)]
    for c in row:
        VOWEL[c] = v


def fold(s):
    s = hira(s).replace("ぢ", "じ").replace("づ", "ず")
    out = []
    for c in s:
        if c == "ー" and out:
            c = VOWEL.get(out[-1], c)
        if out and c == "う" and VOWEL.get(out[-1]) == "お":
            c = "お"
        if out and c == "い" and VOWEL.get(out[-1]) == "え":
            c = "え"
        out.append(c)
    return "".join(out)


def engine_readings(sentence, annotated):
    """Map each kanji run of the sentence to the reading the engine wrote after it."""
    result, i, j = {}, 0, 0
    runs = kanji_runs(sentence)
    r = 0
    while i < len(sentence):
        if r < len(runs) and i == runs[r][0]:
            a, b = runs[r]
            if annotated[j:j + (b - a)] != sentence[a:b]:
                return None
            j += b - a
            i = b
            if j < len(annotated) and annotated[j] == "(":
                k = annotated.find(")", j)
                if k < 0:
                    return None
                result[(a, b)] = annotated[j + 1:k]
                j = k + 1
            r += 1
            continue
        if j >= len(annotated) or annotated[j] != sentence[i]:
            return None
        i += 1
        j += 1
    return result


def mecab_readings(sentence, tokens):
    """Readings of the kanji runs from a whole-sentence MeCab parse (surface, reading)."""
    # Character-level reading spans: each token maps its surface to its reading; a run's
    # reading is the concatenation over its tokens, with kana okurigana cut from the edges.
    pos, spans = 0, []
    for surface, reading in tokens:
        at = sentence.find(surface, pos)
        if at < 0:
            return {}
        spans.append((at, at + len(surface), surface, hira(reading)))
        pos = at + len(surface)
    result = {}
    for a, b in kanji_runs(sentence):
        parts, ok = [], True
        for s0, s1, surface, reading in spans:
            if s1 <= a or s0 >= b:
                continue
            lo, hi = max(a, s0), min(b, s1)
            head = surface[: lo - s0]
            tail = surface[hi - s0:]
            rd = reading
            if head:
                if rd.startswith(hira(head)):
                    rd = rd[len(head):]
                else:
                    ok = False
            if tail:
                if rd.endswith(hira(tail)):
                    rd = rd[: len(rd) - len(tail)]
                else:
                    ok = False
            parts.append(rd)
        result[(a, b)] = "".join(parts) if ok else "?"
    return result


def run_mecab(sentences, dic):
    fmt = ["--node-format=%m\\t%f[7]\\n", "--unk-format=%m\\t%m\\n", "--eos-format=EOS\\n"]
    out = subprocess.run(["mecab", "-r", "/dev/null", "-d", dic] + fmt,
                         input="\n".join(sentences) + "\n", capture_output=True, text=True,
                         check=True).stdout
    parsed, cur = [], []
    for line in out.split("\n"):
        if line == "EOS":
            parsed.append(cur)
            cur = []
        elif line:
            surface, _, reading = line.partition("\t")
            if not reading or reading == "*" or not any(is_kanji(surface, i) for i in range(len(surface))):
                reading = surface
            cur.append((surface, reading))
    return parsed


def is_kana(s):
    return bool(s) and all(0x3041 <= ord(c) <= 0x3096 or c in "ーゝゞ" for c in s)


def is_katakana(c):
    return 0x30A1 <= ord(c) <= 0x30FA


def is_digit(c):
    return c.isdigit() and c.isascii() or 0xFF10 <= ord(c) <= 0xFF19


NUMERALS = "〇一二三四五六七八九十百千万億何"


def error_class(sentence, a, b, got):
    """The kind of error of a wrong run, first match wins."""
    before = sentence[a - 1] if a > 0 else ""
    after = sentence[b] if b < len(sentence) else ""
    if not is_kana(got):
        return "reading that is not kana"
    if (before and is_digit(before)) or sentence[a] in NUMERALS:
        return "number + counter"
    if "日本" in sentence[a:b]:
        return "日本"
    if (before and is_katakana(before)) or (after and is_katakana(after)):
        return "kanji next to katakana"
    if b - a == 1 and before and not is_kanji(sentence, a - 1):
        return "one kanji after kana (left context)"
    return "other"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--gold", default=os.path.join(ROOT, "..", "shared", "bench", "reading-gold.tsv"))
    ap.add_argument("--rubi", default=os.path.join(ROOT, "build", "bin", "velmora-rubi"))
    ap.add_argument("--dic", default="/var/lib/mecab/dic/ipadic-utf8")
    ap.add_argument("--classes", action="store_true", help="count wrong runs by kind of error")
    ap.add_argument("--wrong", help="write the engine's wrong runs to this file")
    args = ap.parse_args()

    rows = collections.defaultdict(list)
    source_of = {}
    with open(args.gold, encoding="utf-8") as f:
        next(f)
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) < 7:
                continue
            _, sentence, word, off, reading, style, source = cols[:7]
            start = utf16_to_index(sentence, int(off))
            rows[sentence].append((start, start + len(word), reading, style))
            source_of[sentence] = source
    sentences = [s for s in rows if "\n" not in s and "\r" not in s]

    annotated = subprocess.run([args.rubi, "--text", "--mecab-dic", args.dic],
                               input="\n".join(sentences) + "\n", capture_output=True,
                               text=True, check=True).stdout.split("\n")
    reference = run_mecab(sentences, args.dic)

    stats = {"engine": collections.Counter(), "mecab": collections.Counter()}
    classes = collections.Counter()
    wrong = []
    unscored = 0
    for idx, sentence in enumerate(sentences):
        mine = engine_readings(sentence, annotated[idx]) or {}
        ref = mecab_readings(sentence, reference[idx]) if idx < len(reference) else {}
        source = source_of[sentence]
        words = sorted(rows[sentence])
        for (a, b), reading in mine.items():
            inside = [w for w in words if w[0] >= a and w[1] <= b]
            pos, ok = a, True
            for w in inside:
                if w[0] != pos:
                    ok = False
                pos = w[1]
            if not inside or not ok or pos != b:
                unscored += 1
                continue
            gold = "".join(w[2] for w in inside)
            pron = any(w[3] == "pron" for w in inside)
            after_digits = a > 0 and is_digit(sentence[a - 1])
            for name, got in (("engine", reading), ("mecab", ref.get((a, b), "?"))):
                right = fold(got) == fold(gold) if pron else hira(got) == gold
                if not right and after_digits and len(got) > len(gold):
                    # The reading covers the digits: its end is the counter's reading.
                    right = fold(got).endswith(fold(gold)) if pron else hira(got).endswith(gold)
                if name == "engine" and not right:
                    classes[error_class(sentence, a, b, got)] += 1
                    wrong.append(f"{source}\t{sentence[a:b]}\t{got}\t{gold}\t{sentence}")
                stats[name]["all"] += 1
                stats[name][source] += 1
                if right:
                    stats[name]["all_right"] += 1
                    stats[name][source + "_right"] += 1

    print(f"scored runs: {stats['engine']['all']}, unscored runs: {unscored}")
    for name in ("engine", "mecab"):
        s = stats[name]
        parts = [f"{name:7s} right {100.0 * s['all_right'] / max(1, s['all']):.1f}%"]
        for src in ("ita", "jsut", "aozora"):
            parts.append(f"{src} {100.0 * s[src + '_right'] / max(1, s[src]):.1f}% of {s[src]}")
        print(", ".join(parts))
    e, m = stats["engine"], stats["mecab"]
    print(f"ratio engine/whole-sentence MeCab: {e['all_right'] / max(1, m['all_right']):.3f}")
    if args.classes:
        print("engine's wrong runs by kind of error:")
        for name, count in classes.most_common():
            print(f"  {count:5d}  {name}")
    if args.wrong:
        with open(args.wrong, "w", encoding="utf-8") as f:
            f.write("\n".join(wrong) + "\n")


if __name__ == "__main__":
    sys.exit(main())
