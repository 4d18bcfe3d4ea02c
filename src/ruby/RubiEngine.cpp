#include "ruby/RubiEngine.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "base/Text.h"
#include "ruby/Counters.h"
#include "ruby/DicPass.h"
#include "ruby/GradeKanji.h"
#include "ruby/KanjiDic.h"

namespace velmora {

namespace {

bool IsExtBPair(char16_t c, char16_t next) {
    if (next < 0xDC00 || next > 0xDFFF) return false;
    if (c >= 0xD840 && c <= 0xD868) return true;
    return c == 0xD869 && next <= 0xDEDF;
}

char16_t At(std::u16string_view s, size_t i) {
    return i < s.size() ? s[i] : char16_t{0};
}

}  // namespace

bool IsKanji(char16_t c, char16_t next) {
    return (c >= 0x4E00 && c <= 0x9FCF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || c == 0x3005 || IsExtBPair(c, next);
}

bool IsKanaReading(std::u16string_view reading) {
    if (reading.empty()) return false;
    for (char16_t c : reading) {
        if ((c < u'ぁ' || c > u'ゖ') && c != u'ー' && c != u'ゝ' && c != u'ゞ') return false;
    }
    return true;
}

namespace {

// Katakana as hiragana, for comparing kana.
char16_t FoldKana(char16_t c) {
    return (c >= u'ァ' && c <= u'ヶ') ? static_cast<char16_t>(c - 0x60) : c;
}

bool IsKanaChar(char16_t c) {
    return (c >= u'ぁ' && c <= u'ゖ') || (c >= u'ァ' && c <= u'ヺ') || c == u'ー' || c == u'ゝ' ||
           c == u'ゞ' || c == u'ヽ' || c == u'ヾ';
}

// Whether kana `w` of a word stands for `r` in its reading: ヶ of 3ヶ月 stands for か or が.
bool KanaMatches(char16_t w, char16_t r) {
    if (FoldKana(w) == r) return true;
    if (w == u'ヶ' || w == u'ヵ' || w == u'ケ' || w == u'ゖ' || w == u'ゕ') {
        return r == u'か' || r == u'が' || r == u'こ' || r == u'け' || r == u'げ';
    }
    return false;
}

bool EndsWithFolded(std::u16string_view s, std::u16string_view end) {
    if (s.size() < end.size()) return false;
    const size_t off = s.size() - end.size();
    for (size_t i = 0; i < end.size(); ++i) {
        if (FoldKana(s[off + i]) != FoldKana(end[i])) return false;
    }
    return true;
}

struct Stretch {
    size_t begin, end;
    bool kana;
};

// Fits the reading from `r` on over stretches from `i` on; the free stretches take as few
// characters as they can, so the kana after them match as early as possible.
bool Fit(std::u16string_view word, std::u16string_view reading, const std::vector<Stretch>& st,
         size_t i, size_t r, std::vector<size_t>& starts, int& budget) {
    if (--budget < 0) return false;
    if (i == st.size()) return r == reading.size();
    starts[i] = r;
    const Stretch& s = st[i];
    if (s.kana) {
        const size_t n = s.end - s.begin;
        if (r + n > reading.size()) return false;
        for (size_t k = 0; k < n; ++k) {
            if (!KanaMatches(word[s.begin + k], reading[r + k])) return false;
        }
        return Fit(word, reading, st, i + 1, r + n, starts, budget);
    }
    if (i + 1 == st.size()) return r < reading.size();
    for (size_t take = 1; r + take < reading.size(); ++take) {
        if (Fit(word, reading, st, i + 1, r + take, starts, budget)) return true;
    }
    return false;
}

}  // namespace

bool SplitReading(std::u16string_view word, std::u16string_view reading,
                  std::vector<ReadingPart>& parts) {
    parts.clear();
    // Stretches of kana, of kanji and of anything else (digits, letters, symbols).
    auto kind = [&](size_t i) {
        if (IsKanaChar(word[i])) return 0;
        return IsKanji(word[i], At(word, i + 1)) || (word[i] >= 0xDC00 && word[i] <= 0xDFFF) ? 1
                                                                                             : 2;
    };
    std::vector<Stretch> st;
    std::vector<int> kinds;
    for (size_t i = 0; i < word.size();) {
        const int k = kind(i);
        size_t j = i + 1;
        while (j < word.size() && kind(j) == k)
            ++j;
        st.push_back({i, j, k == 0});
        kinds.push_back(k);
        i = j;
    }
    // Two free stretches side by side (kanji and letters) cannot be told apart.
    for (size_t i = 1; i < st.size(); ++i) {
        if (kinds[i] != 0 && kinds[i - 1] != 0) return false;
    }
    std::vector<size_t> starts(st.size());
    int budget = 4096;
    if (st.empty() || !Fit(word, reading, st, 0, 0, starts, budget)) return false;
    for (size_t i = 0; i < st.size(); ++i) {
        const size_t r0 = starts[i];
        const size_t r1 = i + 1 < st.size() ? starts[i + 1] : reading.size();
        parts.push_back({st[i].begin, st[i].end, st[i].kana, reading.substr(r0, r1 - r0)});
    }
    return true;
}

RubiEngine::RubiEngine(ReadingServiceFactory factory, const int& level, const UserDictionary& dic,
                       JobHooks hooks)
    : factory_(std::move(factory)), level_(level), dic_(dic), hooks_(std::move(hooks)) {}

int RubiEngine::GetKanjiString(std::u16string_view text) {
    KanjiString.clear();
    KanjiCount = 0;
    const bool dicOn = dic_.DicWordCount > 0;
    const size_t L = text.size();
    for (size_t i = 0; i < L; ++i) {
        const char16_t c = text[i];
        if (dicOn && c == kSpanOpen) {
            // The character right after the opening marker belongs to the span untested.
            size_t close = i + 2 <= L ? text.find(kSpanClose, i + 2) : std::u16string_view::npos;
            size_t end = close == std::u16string_view::npos ? L : close + 1;
            KanjiString.assign(text.substr(i, end - i));
            return static_cast<int>(i + 1);
        }
        if (!IsKanji(c, At(text, i + 1))) continue;

        size_t k = i;
        while (k < L && IsKanji(text[k], At(text, k + 1))) {
            k += IsExtBPair(text[k], At(text, k + 1)) ? 2 : 1;
        }
        KanjiCount = static_cast<int>(k - i);
        size_t m = k;
        // The context: up to the next kanji (or span), at most 64 code units in all, but
        // at least one character even after a kanji part of 64 or more.
        while (m < L) {
            if (IsKanji(text[m], At(text, m + 1))) break;
            if (dicOn && text[m] == kSpanOpen) break;
            ++m;
            if (m - i >= static_cast<size_t>(kContextLimit)) break;
        }
        KanjiString.assign(text.substr(i, m - i));
        return static_cast<int>(i + 1);
    }
    return 0;
}

bool RubiEngine::Read(ReadingService& service, std::u16string_view text, std::u16string& reading) {
    reading.clear();
    if (text.size() > static_cast<size_t>(kRequestLimit)) text = text.substr(0, kRequestLimit);
    if (!service.GetPhonetic(text, reading)) return false;
    // The service hands back a zero-terminated string: nothing after a zero counts.
    if (auto zero = reading.find(u'\0'); zero != std::u16string::npos) reading.resize(zero);
    return true;
}

std::u16string RubiEngine::ReadRun(ReadingService& service) {
    static const std::u16string kFailed = u"?";
    const size_t n = KanjiString.size();
    const size_t k = static_cast<size_t>(KanjiCount);
    std::u16string reading;
    if (!Read(service, KanjiString, reading)) return kFailed;
    if (k >= n) return reading;

    // Cut the reading back to the kanji part: kana okurigana come back as they stand (or,
    // in a word that mixes kanji and katakana, in hiragana).
    const std::u16string_view tail = std::u16string_view(KanjiString).substr(k);
    if (EndsWithFolded(reading, tail)) {
        reading.resize(reading.size() - tail.size());
        return reading;
    }
    // Otherwise find where the reading of the context's head starts, after the kanji.
    std::u16string headReading;
    if (!Read(service, tail.substr(0, std::min<size_t>(tail.size(), kFallbackHead)), headReading)) {
        return kFailed;
    }
    if (headReading.size() > reading.size()) return kFailed;
    for (size_t p = k; p + headReading.size() <= reading.size(); ++p) {
        bool same = true;
        for (size_t q = 0; q < headReading.size() && same; ++q)
            same = FoldKana(reading[p + q]) == FoldKana(headReading[q]);
        if (same) {
            reading.resize(p);
            return reading;
        }
    }
    return kFailed;
}

namespace {

// A stretch of a piece analysed on its own: pieces are cut at markup brackets and line
// breaks, and long stretches at a sentence end or a space, so that the analysis stays
// small and linear in the piece's length.
struct Chunk {
    size_t begin, end;
    bool analysed = false;
    bool usable = false;
};

constexpr size_t kChunkLimit = 1024;

std::vector<Chunk> CutChunks(std::u16string_view text) {
    std::vector<Chunk> chunks;
    auto add = [&](size_t b, size_t e) {
        while (e - b > kChunkLimit) {
            size_t cut = b + kChunkLimit;
            size_t best = 0;
            for (size_t i = cut; i > b + kChunkLimit / 2; --i) {
                const char16_t c = text[i - 1];
                if (c == u'。' || c == u'、' || c == u' ' || c == u'\u3000' || c == u'.' ||
                    c == u'!' || c == u'?' || c == u'！' || c == u'？') {
                    best = i;
                    break;
                }
            }
            if (best == 0) {
                best = cut;
                // Never between the halves of a surrogate pair.
                if (text[best - 1] >= 0xD800 && text[best - 1] <= 0xDBFF) ++best;
            }
            chunks.push_back({b, best});
            b = best;
        }
        if (e > b) chunks.push_back({b, e});
    };
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'<' || c == u'>' || c == u'\n' || c == u'\r') {
            add(start, i);
            start = i + 1;
        }
    }
    add(start, text.size());
    return chunks;
}

}  // namespace

struct RubiEngine::Piece {
    std::u16string_view text;
    bool contextTried = false;
    bool contextWorks = false;
    std::vector<Chunk> chunks;
    std::vector<Morpheme> words;  // of every analysed chunk, offsets in the piece
    std::vector<Morpheme> scratch;
    std::vector<ReadingPart> parts;

    // The analysed words of the chunk that holds `at`; false when the provider sees no
    // context or the analysis failed.
    bool Analysed(size_t at, ReadingService& service) {
        if (contextTried && !contextWorks) return false;
        if (!contextTried) {
            contextTried = true;
            chunks = CutChunks(text);
        }
        auto it = std::upper_bound(chunks.begin(), chunks.end(), at,
                                   [](size_t v, const Chunk& c) { return v < c.end; });
        if (it == chunks.end() || it->begin > at) return false;
        if (!it->analysed) {
            it->analysed = true;
            if (!service.Analyse(text.substr(it->begin, it->end - it->begin), scratch)) {
                if (words.empty()) contextWorks = false;
                return false;
            }
            contextWorks = true;
            it->usable = true;
            for (auto& m : scratch) {
                m.begin += it->begin;
                m.end += it->begin;
            }
            // Chunks are analysed in any order: keep the words sorted by place.
            auto pos = std::lower_bound(words.begin(), words.end(),
                                        scratch.empty() ? 0 : scratch.front().begin,
                                        [](const Morpheme& m, size_t v) { return m.begin < v; });
            words.insert(pos, std::make_move_iterator(scratch.begin()),
                         std::make_move_iterator(scratch.end()));
        }
        return it->usable;
    }
};

namespace {

bool IsNumeralWord(std::u16string_view s) {
    if (s.empty()) return false;
    if (s.front() == u'何') return s.size() == 1 || IsKanjiNumeral(s[1]);
    for (char16_t c : s) {
        if (!IsKanjiNumeral(c)) return false;
    }
    return true;
}

// Whether the text before `at` ends with a month (3月1日, 三月一日).
bool AfterMonth(std::u16string_view text, size_t at) {
    while (at > 0 && (text[at - 1] == u' ' || text[at - 1] == u'\u3000'))
        --at;
    return at > 0 && text[at - 1] == u'月';
}

}  // namespace

bool RubiEngine::ReadInContext(Piece& piece, size_t begin, size_t end, ReadingService& service,
                               std::u16string& reading) {
    reading.clear();
    if (!piece.Analysed(begin, service)) return false;
    const auto& words = piece.words;
    auto it = std::upper_bound(words.begin(), words.end(), begin,
                               [](size_t v, const Morpheme& m) { return v < m.end; });
    size_t covered = begin;
    while (covered < end) {
        if (it == words.end() || it->begin > covered) {
            // A run longer than a chunk goes on in the next one.
            const size_t known = words.size();
            if (!piece.Analysed(covered, service) || words.size() == known) return false;
            it = std::upper_bound(words.begin(), words.end(), covered,
                                  [](size_t v, const Morpheme& m) { return v < m.end; });
            continue;
        }
        const Morpheme& w = *it;
        const std::u16string_view surface = piece.text.substr(w.begin, w.end - w.begin);
        // A number in kanji numerals, with the counter after it: 六百 ろっぴゃく, 三日 みっか,
        // 何人 なんにん.
        const bool pronoun = surface == u"何" && w.kind != Morpheme::Kind::Number;
        if (w.begin == covered &&
            (pronoun || (w.kind == Morpheme::Kind::Number && IsNumeralWord(surface)))) {
            auto last = it;
            while (!pronoun && last + 1 != words.end() && (last + 1)->begin == last->end &&
                   (last + 1)->end <= end && (last + 1)->kind == Morpheme::Kind::Number &&
                   piece.text[(last + 1)->begin] != u'何' &&
                   IsNumeralWord(
                       piece.text.substr((last + 1)->begin, (last + 1)->end - (last + 1)->begin))) {
                ++last;
            }
            const size_t numEnd = last->end;
            const std::u16string_view numeral = piece.text.substr(w.begin, numEnd - w.begin);
            // 万人 (ばんにん) and 万一 are words, not ten thousand.
            const bool bareUnit = numeral == u"万" || numeral == u"億" || numeral == u"兆";
            std::optional<Number> n;
            if (numEnd <= end && !bareUnit) n = ParseKanjiNumber(numeral);
            if (n) {
                auto next = last + 1;
                std::optional<CounterReading> counter;
                if (numEnd < end) {
                    counter = ReadCounter(*n, piece.text.substr(numEnd, end - numEnd),
                                          AfterMonth(piece.text, w.begin));
                }
                // The counter must end where a word ends; 何分 may be なにぶん.
                if (counter && surface == u"何" && piece.text[numEnd] == u'分') counter.reset();
                if (counter) {
                    const size_t cEnd = numEnd + counter->length;
                    auto after = next;
                    while (after != words.end() && after->end < cEnd)
                        ++after;
                    if (after == words.end() || after->end != cEnd) {
                        counter.reset();
                    } else {
                        next = after + 1;
                    }
                }
                if (counter) {
                    reading += counter->reading;
                    covered = numEnd + counter->length;
                    it = next;
                    continue;
                }
                if (!pronoun) {
                    reading += NumberReading(*n);
                    covered = numEnd;
                    it = next;
                    continue;
                }
            }
        }
        if (w.reading.empty() || !SplitReading(surface, w.reading, piece.parts)) return false;
        for (const auto& part : piece.parts) {
            const size_t b = w.begin + part.begin, e = w.begin + part.end;
            if (e <= covered || b >= end) continue;
            if (part.kana) {
                // Kana inside the run cannot be: the run is kanji only.
                return false;
            }
            if (b != covered || e > end) return false;
            reading += part.reading;
            covered = e;
        }
        ++it;
    }
    return covered == end && IsKanaReading(reading);
}

std::u16string RubiEngine::ReadSpan(Piece& piece, size_t begin, size_t end,
                                    ReadingService& service) {
    std::u16string reading;
    if (ReadInContext(piece, begin, end, service, reading)) return reading;

    // The run and what follows it up to the next kanji, as a provider without context is
    // asked.
    const std::u16string savedString = std::move(KanjiString);
    const int savedCount = KanjiCount;
    GetKanjiString(piece.text.substr(begin));
    KanjiCount = static_cast<int>(end - begin);
    reading = ReadRun(service);
    KanjiString = savedString;
    KanjiCount = savedCount;
    if (IsKanaReading(reading)) return reading;

    // A reading that is not one: the run alone, then kanji by kanji.
    const std::u16string_view run = piece.text.substr(begin, end - begin);
    if (Read(service, run, reading) && IsKanaReading(reading)) return reading;
    if (run.size() > static_cast<size_t>(kContextLimit)) return u"?";
    // Kanji by kanji: the service's reading of the kanji alone, else the kanji
    // dictionary's (a kun reading whose okurigana follow it in the text, or an on reading).
    std::u16string joined, one;
    const bool alone = run.size() == 1 || (run.size() == 2 && run[1] >= 0xDC00 && run[1] <= 0xDFFF);
    for (size_t i = 0; i < run.size();) {
        const size_t n = (run[i] >= 0xD800 && run[i] <= 0xDBFF && i + 1 < run.size()) ? 2 : 1;
        const char32_t c =
            n == 2 ? 0x10000 + ((char32_t(run[i]) - 0xD800) << 10) + (char32_t(run[i + 1]) - 0xDC00)
                   : run[i];
        const std::u16string_view after = piece.text.substr(begin + i + n);
        auto fromDic = [&] {
            return KanjiDicReading(c, after.substr(0, std::min<size_t>(after.size(), 8)), alone,
                                   one) &&
                   IsKanaReading(one);
        };
        auto fromService = [&] {
            return Read(service, run.substr(i, n), one) && IsKanaReading(one);
        };
        if (run[i] == u'々' && !one.empty()) {
            joined += one;
        } else if (alone ? (fromService() || fromDic()) : (fromDic() || fromService())) {
            // In a compound the kanji dictionary's on reading fits better than a word's.
            joined += one;
        } else {
            return u"?";
        }
        i += n;
    }
    return joined;
}

RubiEngine::RunReading RubiEngine::ReadRunAt(Piece& piece, size_t begin, size_t end,
                                             ReadingService& service) {
    const std::u16string_view text = piece.text;
    // Digits before the run and a counter at its start: 3日 みっか, 10分 じゅっぷん.
    size_t d = begin;
    while (d > 0 && (IsDigitChar(text[d - 1]) ||
                     ((text[d - 1] == u',' || text[d - 1] == u'，') && d >= 2 &&
                      IsDigitChar(text[d - 2]) && d < begin && IsDigitChar(text[d])))) {
        --d;
    }
    const bool decimal =
        d >= 2 && (text[d - 1] == u'.' || text[d - 1] == u'．') && IsDigitChar(text[d - 2]);
    if (d < begin && !decimal) {
        if (auto n = ParseDigits(text.substr(d, begin - d))) {
            if (auto c = ReadCounter(*n, text.substr(begin, end - begin), AfterMonth(text, d))) {
                RunReading out;
                if (c->counter.empty()) {
                    out.reading = c->reading;
                    out.digits = begin - d;
                } else {
                    out.reading = c->counter;
                }
                if (begin + c->length < end) {
                    out.counterLength = c->length;
                    out.restReading = ReadSpan(piece, begin + c->length, end, service);
                }
                return out;
            }
        }
    }
    return {ReadSpan(piece, begin, end, service), 0, 0, {}};
}

namespace {

void AppendRuby(std::u16string& out, std::u16string_view base, std::u16string_view reading,
                RubyStyle style) {
    if (style == RubyStyle::Parentheses) {
        out.append(base);
        out.push_back(u'(');
        out.append(reading);
        out.push_back(u')');
        return;
    }
    out.append(u"<ruby>");
    out.append(base);
    out.append(u"<rp>(</rp><rt>");
    out.append(reading);
    out.append(u"</rt><rp>)</rp></ruby>");
}

// A dictionary span in ruby tags: each "<reading>" goes on the kanji just before it.
std::u16string ConvertDicSpanToRuby(std::u16string_view span) {
    std::u16string text;
    for (char16_t c : span) {
        if (c != kSpanOpen && c != kSpanClose) text.push_back(c);
    }
    std::u16string out;
    size_t pending = 0;  // start of the text not yet written
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'<') continue;
        const size_t close = text.find(u'>', i + 1);
        if (close == std::u16string::npos) break;
        size_t base = i;
        while (base > pending && IsKanji(text[base - 1], At(text, base)))
            --base;
        if (base > pending && base < i && text[base] >= 0xDC00 && text[base] <= 0xDFFF) ++base;
        out.append(text, pending, base - pending);
        const std::u16string_view reading = std::u16string_view(text).substr(i + 1, close - i - 1);
        if (base == i) {
            out.push_back(u'(');
            out.append(reading);
            out.push_back(u')');
        } else {
            AppendRuby(out, std::u16string_view(text).substr(base, i - base), reading,
                       RubyStyle::RubyTags);
        }
        pending = close + 1;
        i = close;
    }
    out.append(text, pending);
    return out;
}

}  // namespace

bool RubiEngine::Annotate(std::u16string_view text, ReadingService& service, RubyStyle style,
                          std::u16string& out) {
    Piece piece;
    piece.text = text;
    out.clear();
    out.reserve(text.size() + text.size() / 2);
    size_t pos = 0;
    for (;;) {
        const std::u16string_view rest = text.substr(pos);
        if (!hooks_.StillWanted()) {
            out.append(rest);
            return false;
        }
        hooks_.Pump();
        const int g = GetKanjiString(rest);
        if (g == 0) {
            out.append(rest);
            break;
        }
        if (KanjiCount > 0 && level_ > 0) CheckExceptRubi(KanjiString, KanjiCount, level_);
        const size_t start = pos + static_cast<size_t>(g - 1);
        const size_t n = KanjiString.size();
        out.append(text.substr(pos, start - pos));
        if (KanjiCount > 0) {
            const size_t k = static_cast<size_t>(KanjiCount);
            RunReading run = ReadRunAt(piece, start, start + k, service);
            hooks_.Pump();
            // The day of the week in brackets after a date: 1日(月) げつ.
            if (k == 1 && start >= 2 && start + 1 < text.size() &&
                (text[start - 1] == u'(' || text[start - 1] == u'（') &&
                (text[start + 1] == u')' || text[start + 1] == u'）') && text[start - 2] == u'日') {
                static constexpr std::u16string_view kDays = u"月火水木金土日";
                static constexpr std::u16string_view kDayReadings[] = {
                    u"げつ", u"か", u"すい", u"もく", u"きん", u"ど", u"にち"};
                if (size_t d = kDays.find(text[start]); d != std::u16string_view::npos) {
                    run.reading = kDayReadings[d];
                }
            }
            // 何の, 何でも, 何だ, 何と: なん before the sounds of d, n and t.
            if (k == 1 && text[start] == u'何' && run.reading == u"なに" &&
                start + 1 < text.size() &&
                std::u16string_view(u"のでだとど").find(text[start + 1]) !=
                    std::u16string_view::npos) {
                run.reading = u"なん";
            }
            // A reading that covers the digits before the run takes them into its base.
            size_t digits = style == RubyStyle::RubyTags ? run.digits : 0;
            digits = std::min(digits, out.size());
            std::u16string base = out.substr(out.size() - digits);
            out.resize(out.size() - digits);
            const size_t first = run.counterLength > 0 ? run.counterLength : k;
            base.append(text.substr(start, first));
            AppendRuby(out, base, run.reading, style);
            if (first < k)
                AppendRuby(out, text.substr(start + first, k - first), run.restReading, style);
            out.append(text.substr(start + k, n - k));
        } else if (dic_.DicWordCount > 0 && KanjiString.find(kSpanOpen) != std::u16string::npos) {
            out.append(style == RubyStyle::RubyTags ? ConvertDicSpanToRuby(KanjiString)
                                                    : ConvertDicSpan(KanjiString));
        } else {
            out.append(text.substr(start, n));
        }
        pos = start + n;
        if (pos >= text.size()) break;
    }
    return true;
}

std::u16string RubiEngine::AnnotatePiece(std::u16string_view piece, ReadingService& service,
                                         RubyStyle style) {
    std::u16string out;
    if (dic_.DicWordCount > 0) {
        std::u16string marked(piece);
        MarkDicWordsInLine(marked, dic_);
        Annotate(marked, service, style, out);
    } else {
        Annotate(piece, service, style, out);
    }
    return out;
}

bool RubiEngine::Walk(std::vector<std::u16string>& RubiSL, ReadingService& service) {
    if (dic_.DicWordCount > 0) MarkDicWords(RubiSL, dic_);

    std::u16string out;
    for (size_t index = 0; index < RubiSL.size(); ++index) {
        const bool finished = Annotate(RubiSL[index], service, RubyStyle::Parentheses, out);
        RubiSL[index].swap(out);
        if (!finished) return false;
        hooks_.Progress(static_cast<int>(index));
    }
    return true;
}

bool RubiEngine::DoRubi(std::vector<std::u16string>& RubiSL) {
    std::unique_ptr<ReadingService> service = factory_ ? factory_() : nullptr;
    if (!service || !service->Open()) return false;
    try {
        return Walk(RubiSL, *service);
    } catch (const std::exception&) {
        hooks_.Message(kRubiFailed);
        return false;
    }
}

}  // namespace velmora
