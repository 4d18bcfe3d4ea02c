#include "ruby/Counters.h"

#include <array>

namespace velmora {

namespace {

constexpr std::array<std::u16string_view, 10> kDigit = {
    u"ぜろ", u"いち", u"に", u"さん", u"よん", u"ご", u"ろく", u"なな", u"はち", u"きゅう"};

// How a number ends, which decides the sound change of the counter after it.
enum class Ending { Digit, Ten, Hundred, Nasal, Plain };

Ending EndingOf(const Number& n, int& digit) {
    digit = 0;
    if (n.any) {
        if (n.value == 10) return Ending::Ten;
        if (n.value == 100) return Ending::Hundred;
        return Ending::Nasal;  // なん, なんぜん, なんまん
    }
    if (n.value % 10 != 0 || n.value == 0) {
        digit = static_cast<int>(n.value % 10);
        return Ending::Digit;
    }
    if ((n.value / 10) % 10 != 0) return Ending::Ten;
    if ((n.value / 100) % 10 != 0) return Ending::Hundred;
    if ((n.value / 1000) % 10 != 0) return Ending::Nasal;  // せん, ぜん
    uint64_t v = n.value / 10000;
    if (v % 10000 != 0) return Ending::Nasal;  // まん
    return Ending::Plain;                      // おく, ちょう
}

std::u16string GroupReading(unsigned g, bool beforeUnit) {
    std::u16string r;
    const unsigned th = g / 1000, hu = (g / 100) % 10, te = (g / 10) % 10, un = g % 10;
    if (th == 1) {
        r += beforeUnit ? u"いっせん" : u"せん";
    } else if (th == 3) {
        r += u"さんぜん";
    } else if (th == 8) {
        r += u"はっせん";
    } else if (th) {
        r += kDigit[th];
        r += u"せん";
    }
    if (hu == 1) {
        r += u"ひゃく";
    } else if (hu == 3) {
        r += u"さんびゃく";
    } else if (hu == 6) {
        r += u"ろっぴゃく";
    } else if (hu == 8) {
        r += u"はっぴゃく";
    } else if (hu) {
        r += kDigit[hu];
        r += u"ひゃく";
    }
    if (te) {
        if (te != 1) r += kDigit[te];
        r += u"じゅう";
    }
    if (un) r += kDigit[un];
    return r;
}

bool EndsWith(std::u16string_view s, std::u16string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// A reading whose last kana is replaced by the small tsu of a doubled consonant:
// いち -> いっ, ろく -> ろっ, はち -> はっ, じゅう -> じゅっ, ひゃく -> ひゃっ.
bool Geminate(std::u16string& r) {
    if (EndsWith(r, u"いち") || EndsWith(r, u"ろく") || EndsWith(r, u"はち") ||
        EndsWith(r, u"ゃく")) {
        r.back() = u'っ';
        return true;
    }
    if (EndsWith(r, u"じゅう")) {
        r.back() = u'っ';
        return true;
    }
    return false;
}

struct Special {
    uint64_t number;
    std::u16string_view reading;
};
struct LastDigit {
    int digit;
    std::u16string_view reading;  // the last digit and the counter together
};

enum : uint8_t { G1 = 1, G6 = 2, G8 = 4, G10 = 8, G100 = 16 };
constexpr uint8_t kGemK = G1 | G6 | G8 | G10 | G100;  // か, は rows
constexpr uint8_t kGemS = G1 | G8 | G10;              // さ, た rows

struct Counter {
    std::u16string_view surface;
    std::u16string_view base;
    std::u16string_view afterTsu = {};  // after っ (ぽん), empty: base
    std::u16string_view afterN = {};    // after さん なん せん まん (ぼん), empty: base
    uint8_t geminate = 0;
    std::initializer_list<Special> specials = {};
    std::initializer_list<LastDigit> lastDigits = {};
};

const Counter kCounters[] = {
    {u"人", u"にん", {}, {}, 0, {{1, u"ひとり"}, {2, u"ふたり"}}, {{4, u"よにん"}}},
    {u"日",
     u"にち",
     {},
     {},
     0,
     {{1, u"いちにち"},
      {2, u"ふつか"},
      {3, u"みっか"},
      {4, u"よっか"},
      {5, u"いつか"},
      {6, u"むいか"},
      {7, u"なのか"},
      {8, u"ようか"},
      {9, u"ここのか"},
      {10, u"とおか"},
      {20, u"はつか"}},
     {{4, u"よっか"}, {7, u"しちにち"}, {9, u"くにち"}}},
    {u"月", u"がつ", {}, {}, 0, {}, {{4, u"しがつ"}, {7, u"しちがつ"}, {9, u"くがつ"}}},
    {u"年", u"ねん", {}, {}, 0, {}, {{4, u"よねん"}}},
    {u"時", u"じ", {}, {}, 0, {}, {{4, u"よじ"}, {7, u"しちじ"}, {9, u"くじ"}}},
    {u"分", u"ふん", u"ぷん", u"ぷん", kGemK, {}, {{4, u"よんぷん"}}},
    {u"秒", u"びょう"},
    {u"本", u"ほん", u"ぽん", u"ぼん", kGemK},
    {u"匹", u"ひき", u"ぴき", u"びき", kGemK},
    {u"杯", u"はい", u"ぱい", u"ばい", kGemK},
    {u"泊", u"はく", u"ぱく", u"ぱく", kGemK, {}, {{4, u"よんぱく"}}},
    {u"発", u"はつ", u"ぱつ", u"ぱつ", kGemK},
    {u"階", u"かい", {}, u"がい", kGemK},
    {u"回", u"かい", {}, {}, kGemK},
    {u"個", u"こ", {}, {}, kGemK},
    {u"軒", u"けん", {}, u"げん", kGemK},
    {u"件", u"けん", {}, {}, kGemK},
    {u"冊", u"さつ", {}, {}, kGemS},
    {u"歳", u"さい", {}, {}, kGemS, {{20, u"はたち"}}},
    {u"才", u"さい", {}, {}, kGemS, {{20, u"はたち"}}},
    {u"足", u"そく", {}, u"ぞく", kGemS},
    {u"週", u"しゅう", {}, {}, kGemS},
    {u"頭", u"とう", {}, {}, kGemS},
    {u"通", u"つう", {}, {}, kGemS},
    {u"着", u"ちゃく", {}, {}, kGemS},
    {u"点", u"てん", {}, {}, kGemS},
    {u"名", u"めい"},
    {u"枚", u"まい"},
    {u"台", u"だい"},
    {u"羽", u"わ"},
    {u"円", u"えん", {}, {}, 0, {}, {{4, u"よえん"}}},
    {u"度", u"ど"},
    {u"番", u"ばん"},
    {u"倍", u"ばい"},
    {u"歩", u"ほ", u"ぽ", u"ぽ", kGemK},
    {u"票", u"ひょう", u"ぴょう", u"びょう", kGemK},
    {u"敗", u"はい", u"ぱい", u"ぱい", kGemK},
    {u"曲", u"きょく", {}, {}, kGemK},
    {u"課", u"か", {}, {}, kGemK},
    {u"巻", u"かん", {}, {}, kGemK},
    {u"校", u"こう", {}, {}, kGemK},
    {u"社", u"しゃ", {}, {}, kGemS},
    {u"席", u"せき", {}, {}, kGemS},
    {u"隻", u"せき", {}, {}, kGemS},
    {u"勝", u"しょう", {}, {}, kGemS},
    {u"戦", u"せん", {}, {}, kGemS},
    {u"艘", u"そう", {}, {}, kGemS},
    {u"体", u"たい", {}, {}, kGemS},
    {u"種", u"しゅ", {}, {}, kGemS},
    {u"章", u"しょう", {}, {}, kGemS},
    {u"節", u"せつ", {}, {}, kGemS},
    {u"世紀", u"せいき", {}, {}, kGemS},
    {u"号", u"ごう"},
    {u"位", u"い"},
    {u"割", u"わり"},
    {u"条", u"じょう"},
    {u"km", u"きろめーとる"},
    {u"cm", u"せんちめーとる"},
};

// What may follow a counter as part of the same word: 3日間 みっかかん, 2人目 ふたりめ.
struct Tail {
    std::u16string_view surface;
    std::u16string_view reading;
};
constexpr Tail kTails[] = {{u"間", u"かん"}, {u"目", u"め"}, {u"半", u"はん"}, {u"後", u"ご"}};

std::u16string Read(const Counter& c, const Number& n, bool dayOfMonth) {
    if (!n.any) {
        if (c.surface == u"日" && n.value == 1 && dayOfMonth) return u"ついたち";
        for (const auto& s : c.specials) {
            if (s.number == n.value) return std::u16string(s.reading);
        }
    }
    int digit = 0;
    const Ending ending = EndingOf(n, digit);
    if (ending == Ending::Digit && !n.any) {
        for (const auto& d : c.lastDigits) {
            if (d.digit == digit) {
                std::u16string r = NumberReading(Number{n.value - static_cast<uint64_t>(digit)});
                if (n.value < 10) r.clear();
                r += d.reading;
                return r;
            }
        }
    }
    std::u16string r = NumberReading(n);
    bool gem = false;
    switch (ending) {
        case Ending::Digit:
            gem = (digit == 1 && (c.geminate & G1)) || (digit == 6 && (c.geminate & G6)) ||
                  (digit == 8 && (c.geminate & G8));
            break;
        case Ending::Ten:
            gem = c.geminate & G10;
            break;
        case Ending::Hundred:
            gem = c.geminate & G100;
            break;
        default:
            break;
    }
    if (gem && Geminate(r)) {
        r += c.afterTsu.empty() ? c.base : c.afterTsu;
    } else if (!c.afterN.empty() && r.back() == u'ん' && (ending == Ending::Nasal || digit == 3)) {
        r += c.afterN;
    } else {
        r += c.base;
    }
    return r;
}

char16_t Narrow(char16_t c) {
    return (c >= u'０' && c <= u'９') ? static_cast<char16_t>(c - 0xFEE0) : c;
}

int KanjiDigit(char16_t c) {
    static constexpr std::u16string_view kKanji = u"〇一二三四五六七八九";
    size_t at = kKanji.find(c);
    return at == std::u16string_view::npos ? -1 : static_cast<int>(at);
}

constexpr uint64_t kLimit = 10'000'000'000'000'000ULL;  // 1京

}  // namespace

std::u16string NumberReading(const Number& n) {
    if (n.any) {
        std::u16string r = u"なん";
        int zeros = 0;
        for (uint64_t v = n.value; v >= 10; v /= 10)
            ++zeros;
        static constexpr std::u16string_view kSmall[] = {u"", u"じゅう", u"びゃく", u"ぜん"};
        static constexpr std::u16string_view kBig[] = {u"", u"まん", u"おく", u"ちょう"};
        r += kSmall[zeros % 4];
        if (zeros / 4 < 4) r += kBig[zeros / 4];
        return r;
    }
    if (n.value == 0) return u"ぜろ";
    static constexpr std::u16string_view kUnits[] = {u"", u"まん", u"おく", u"ちょう"};
    std::u16string r;
    uint64_t v = n.value;
    unsigned groups[4] = {};
    for (int i = 0; i < 4; ++i, v /= 10000)
        groups[i] = static_cast<unsigned>(v % 10000);
    for (int i = 3; i >= 0; --i) {
        if (!groups[i]) continue;
        std::u16string g = GroupReading(groups[i], i > 0);
        if (i == 3 && !EndsWith(g, u"ゃく")) Geminate(g);  // いっちょう, はっちょう, じゅっちょう
        r += g;
        r += kUnits[i];
    }
    return r;
}

bool IsDigitChar(char16_t c) {
    c = Narrow(c);
    return c >= u'0' && c <= u'9';
}

bool IsKanjiNumeral(char16_t c) {
    return KanjiDigit(c) >= 0 || c == u'十' || c == u'百' || c == u'千' || c == u'万' ||
           c == u'億' || c == u'兆';
}

std::optional<Number> ParseDigits(std::u16string_view text) {
    if (text.empty() || !IsDigitChar(text.front()) || !IsDigitChar(text.back())) return {};
    uint64_t v = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = Narrow(text[i]);
        if (c == u',' || c == u'，') {
            if (!IsDigitChar(text[i - 1]) || !IsDigitChar(text[i + 1])) return {};
            continue;
        }
        if (c < u'0' || c > u'9') return {};
        v = v * 10 + static_cast<uint64_t>(c - u'0');
        if (v >= kLimit) return {};
    }
    return Number{v, false};
}

std::optional<Number> ParseKanjiNumber(std::u16string_view text) {
    if (text.empty()) return {};
    if (text.front() == u'何') {
        // 何, 何百, 何千万: the value keeps the size of the units only.
        uint64_t v = 1;
        for (char16_t c : text.substr(1)) {
            switch (c) {
                case u'十':
                    v *= 10;
                    break;
                case u'百':
                    v *= 100;
                    break;
                case u'千':
                    v *= 1000;
                    break;
                case u'万':
                    v *= 10000;
                    break;
                case u'億':
                    v *= 100000000;
                    break;
                default:
                    return {};
            }
            if (v >= kLimit) return {};
        }
        return Number{v, true};
    }
    bool multipliers = false;
    for (char16_t c : text) {
        if (!IsKanjiNumeral(c)) return {};
        if (KanjiDigit(c) < 0) multipliers = true;
    }
    // Digits side by side are a number only when written out as one (二〇二四); 一二歩 is
    // "one or two steps".
    if (!multipliers && text.size() > 1 && text.find(u'〇') == std::u16string_view::npos) return {};
    uint64_t total = 0, section = 0, digits = 0;
    bool haveDigits = false;
    for (char16_t c : text) {
        const int d = KanjiDigit(c);
        if (d >= 0) {
            // Without multipliers the digits are positional (二〇二四).
            digits = multipliers && haveDigits ? static_cast<uint64_t>(d)
                                               : digits * 10 + static_cast<uint64_t>(d);
            if (multipliers && haveDigits) return {};  // 三四百: not a number we read
            haveDigits = true;
            if (digits >= kLimit) return {};
            continue;
        }
        uint64_t unit = 0;
        switch (c) {
            case u'十':
                unit = 10;
                break;
            case u'百':
                unit = 100;
                break;
            case u'千':
                unit = 1000;
                break;
            case u'万':
                unit = 10000;
                break;
            case u'億':
                unit = 100000000;
                break;
            default:
                unit = 1000000000000ULL;
                break;
        }
        if (unit < 10000) {
            section += (haveDigits ? digits : 1) * unit;
        } else {
            const uint64_t part = section + (haveDigits ? digits : 0);
            total += (part ? part : 1) * unit;
            section = 0;
        }
        digits = 0;
        haveDigits = false;
        if (total >= kLimit) return {};
    }
    return Number{total + section + digits, false};
}

std::optional<CounterReading> ReadCounter(const Number& n, std::u16string_view text,
                                          bool afterMonth) {
    const Counter* best = nullptr;
    for (const auto& c : kCounters) {
        if (text.substr(0, c.surface.size()) == c.surface &&
            (!best || c.surface.size() > best->surface.size())) {
            best = &c;
        }
    }
    if (!best) return {};
    CounterReading out;
    out.length = best->surface.size();
    std::u16string_view tail;
    std::u16string_view rest = text.substr(out.length);
    for (const auto& t : kTails) {
        if (rest.substr(0, t.surface.size()) == t.surface) {
            tail = t.reading;
            out.length += t.surface.size();
            break;
        }
    }
    if (tail.empty() && (best->surface == u"日" || best->surface == u"年") &&
        rest.substr(0, 1) == u"中") {
        tail = u"じゅう";  // 一日中, 一年中
        out.length += 1;
    }
    if (tail.empty() && best->surface == u"年" && rest.substr(0, 1) == u"生" &&
        rest.substr(1, 1) != u"ま") {
        tail = u"せい";  // 1年生, but 2000年生まれ
        out.length += 1;
    }
    // A day of the month: 1日 after a month, and not a count of days (1日間, 1日目).
    const bool dayOfMonth = afterMonth && tail.empty();
    out.reading = Read(*best, n, dayOfMonth);
    out.reading += tail;
    const std::u16string plain = NumberReading(n);
    if (out.reading.size() > plain.size() && out.reading.compare(0, plain.size(), plain) == 0) {
        out.counter = out.reading.substr(plain.size());
    }
    return out;
}

}  // namespace velmora
