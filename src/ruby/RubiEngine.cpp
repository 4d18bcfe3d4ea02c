#include "ruby/RubiEngine.h"

#include <algorithm>
#include <exception>

#include "ruby/DicPass.h"
#include "ruby/GradeKanji.h"
#include "ruby/Text.h"

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

std::u16string FixNumberRubi(std::u16string line, char16_t counter, std::u16string_view reading) {
    // Patterns are digit + counter + "(", ASCII digits first, then full-width ones; at one
    // position only the first matching pattern counts, and since the digit is the only
    // varying part, that is simply the digit found there.
    auto isDigit = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'\uFF10' && c <= u'\uFF19');
    };
    const size_t lengthBefore = line.size();
    constexpr size_t kPattern = 3;
    for (size_t i = 0; i < lengthBefore; ++i) {
        if (i + kPattern > line.size()) break;
        if (!isDigit(line[i]) || line[i + 1] != counter || line[i + 2] != u'(') continue;
        for (size_t j = 1; j <= 10; ++j) {
            if (i + kPattern + j > line.size()) break;
            if (line[i + kPattern + j - 1] != u')') continue;
            std::u16string text = line.substr(i, kPattern + j);
            std::u16string forced = line.substr(i, kPattern);
            forced.append(reading);
            forced.push_back(u')');
            if (text != forced) line = ReplaceAll(line, text, forced);
            break;
        }
    }
    return line;
}

std::u16string FixAllNumberRubi(std::u16string line) {
    static constexpr struct {
        char16_t counter;
        std::u16string_view reading;
    } kCounters[] = {{u'年', u"ねん"}, {u'月', u"がつ"}, {u'日', u"にち"},
                     {u'時', u"じ"},   {u'分', u"ふん"}, {u'人', u"にん"}};
    for (const auto& c : kCounters) {
        if (line.find(c.counter) == std::u16string::npos) continue;
        line = FixNumberRubi(std::move(line), c.counter, c.reading);
    }
    return line;
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

    // Cut the reading back to the kanji part: hiragana okurigana come back unchanged.
    const std::u16string_view tail = std::u16string_view(KanjiString).substr(k);
    if (reading.size() >= tail.size() &&
        std::u16string_view(reading).substr(reading.size() - tail.size()) == tail) {
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
        if (std::u16string_view(reading).substr(p, headReading.size()) == headReading) {
            reading.resize(p);
            return reading;
        }
    }
    return kFailed;
}

bool RubiEngine::Walk(std::vector<std::u16string>& RubiSL, ReadingService& service) {
    if (dic_.DicWordCount > 0) MarkDicWords(RubiSL, dic_);

    std::u16string out;
    for (size_t index = 0; index < RubiSL.size(); ++index) {
        const std::u16string line = std::move(RubiSL[index]);
        // `out` holds the finished part, `rest` the part not yet scanned.
        std::u16string_view rest(line);
        out.clear();
        out.reserve(line.size() + line.size() / 2);
        for (;;) {
            if (!hooks_.StillWanted()) {
                out.append(rest);
                RubiSL[index] = std::move(out);
                return false;
            }
            hooks_.Pump();
            const int g = GetKanjiString(rest);
            if (g == 0) {
                out.append(rest);
                break;
            }
            if (KanjiCount > 0 && level_ > 0) CheckExceptRubi(KanjiString, KanjiCount, level_);
            const size_t start = static_cast<size_t>(g - 1);
            const size_t n = KanjiString.size();
            out.append(rest.substr(0, start));
            if (KanjiCount > 0) {
                std::u16string reading = ReadRun(service);
                hooks_.Pump();
                const size_t k = static_cast<size_t>(KanjiCount);
                out.append(rest.substr(start, k));
                out.push_back(u'(');
                out.append(reading);
                out.push_back(u')');
                out.append(rest.substr(start + k, n - k));
            } else if (dic_.DicWordCount > 0 &&
                       KanjiString.find(kSpanOpen) != std::u16string::npos) {
                out.append(ConvertDicSpan(KanjiString));
            } else {
                out.append(rest.substr(start, n));
            }
            rest = rest.substr(start + n);
            if (rest.empty()) break;
        }
        RubiSL[index] = FixAllNumberRubi(std::move(out));
        out = std::u16string();
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
