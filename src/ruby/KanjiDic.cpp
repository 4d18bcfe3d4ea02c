#include "ruby/KanjiDic.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "base/CodePage.h"
#include "base/Text.h"
#include "ruby/DataFiles.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#define VELMORA_HAVE_ICONV 1
#endif

namespace velmora {

namespace {

struct Entry {
    std::vector<std::u16string> on;   // hiragana
    std::vector<std::u16string> kun;  // hiragana, "." before the okurigana
};

struct Dic {
    std::mutex mutex;
    std::string path = DefaultKanjiDic();
    bool tried = false;
    std::unordered_map<char32_t, Entry> entries;
};

Dic& Shared() {
    static Dic dic;
    return dic;
}

std::string EucJpToUtf8(const std::string& in) {
#ifdef VELMORA_HAVE_ICONV
    iconv_t cd = iconv_open("UTF-8", "EUC-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
            // A byte the converter does not take: skip it.
            ++src;
            --srcLeft;
        }
    }
    out.resize(out.size() - dstLeft);
    iconv_close(cd);
    return out;
#else
    return ToUtf8(DecodeCodePage(in, CodePage::EucJp));
#endif
}

char32_t FirstCodePoint(std::u16string_view s) {
    if (s.empty()) return 0;
    if (s.size() >= 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
        return 0x10000 + ((char32_t(s[0]) - 0xD800) << 10) + (char32_t(s[1]) - 0xDC00);
    }
    return s[0];
}

void Load(Dic& dic) {
    const std::u8string path(dic.path.begin(), dic.path.end());
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return;
    std::stringstream raw;
    raw << file.rdbuf();
    std::istringstream lines(EucJpToUtf8(raw.str()));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string field;
        fields >> field;
        const std::u16string kanji = FromUtf8(field);
        Entry entry;
        while (fields >> field) {
            if (field == "T1" || field == "T2" || field[0] == '{') break;
            std::u16string r = FromUtf8(field);
            if (r.empty()) continue;
            const char16_t c = r[0];
            const bool on = c >= u'ァ' && c <= u'ヺ';
            const bool kun = (c >= u'ぁ' && c <= u'ゖ') || c == u'-';
            if (!on && !kun) continue;
            if (on) {
                for (auto& k : r) {
                    if (k >= u'ァ' && k <= u'ヶ') k = static_cast<char16_t>(k - 0x60);
                }
                std::erase(r, u'-');
                if (!r.empty()) entry.on.push_back(std::move(r));
            } else if (r.front() != u'-' && r.back() != u'-') {
                entry.kun.push_back(std::move(r));  // affixes (-ら, お-) are not read alone
            }
        }
        dic.entries.emplace(FirstCodePoint(kanji), std::move(entry));
    }
}

// The vowel row of a kana, for matching a conjugated verb ending (す -> し).
int Consonant(char16_t c) {
    static constexpr std::u16string_view kRows[] = {
        u"あいうえお",   u"かきくけこ", u"がぎぐげご", u"さしすせそ", u"ざじずぜぞ",
        u"たちつてとっ", u"だぢづでど", u"なにぬねの", u"はひふへほ", u"ばびぶべぼ",
        u"ぱぴぷぺぽ",   u"まみむめも", u"やゆよ",     u"らりるれろ", u"わをん"};
    for (int i = 0; i < static_cast<int>(std::size(kRows)); ++i) {
        if (kRows[i].find(c) != std::u16string_view::npos) return i;
    }
    return -1;
}

bool OkuriganaFits(std::u16string_view okurigana, std::u16string_view after) {
    if (okurigana.empty() || after.empty()) return false;
    // All but the last kana stand as written; the last one may be conjugated.
    const size_t fixed = okurigana.size() - 1;
    if (after.size() < okurigana.size()) return after == okurigana.substr(0, after.size());
    if (after.substr(0, fixed) != okurigana.substr(0, fixed)) return false;
    if (after[fixed] == okurigana[fixed]) return true;
    // A verb ending (う-row) conjugates within its row: 囃す -> 囃して.
    const int row = Consonant(okurigana[fixed]);
    return row >= 0 && row == Consonant(after[fixed]) && fixed + 1 == okurigana.size();
}

}  // namespace

void SetKanjiDicPath(const std::string& path) {
    Dic& dic = Shared();
    std::lock_guard lock(dic.mutex);
    dic.path = path;
    dic.tried = false;
    dic.entries.clear();
}

bool KanjiDicReading(char32_t c, std::u16string_view after, bool aloneInRun,
                     std::u16string& reading) {
    Dic& dic = Shared();
    std::lock_guard lock(dic.mutex);
    if (!dic.tried) {
        dic.tried = true;
        Load(dic);
    }
    auto it = dic.entries.find(c);
    if (it == dic.entries.end()) return false;
    const Entry& e = it->second;
    if (aloneInRun) {
        const std::u16string* best = nullptr;
        size_t bestLength = 0;
        for (const auto& k : e.kun) {
            const size_t dot = k.find(u'.');
            if (dot == std::u16string::npos) continue;
            const std::u16string_view okurigana = std::u16string_view(k).substr(dot + 1);
            if (OkuriganaFits(okurigana, after) && okurigana.size() > bestLength) {
                best = &k;
                bestLength = okurigana.size();
            }
        }
        if (best) {
            reading = best->substr(0, best->find(u'.'));
            return true;
        }
        for (const auto& k : e.kun) {
            if (k.find(u'.') == std::u16string::npos) {
                reading = k;
                return true;
            }
        }
    }
    if (!e.on.empty()) {
        reading = e.on.front();
        return true;
    }
    return false;
}

}  // namespace velmora
