#include "ruby/DicPass.h"

#include <algorithm>

#include "base/Text.h"

namespace velmora {

void MarkDicWordsInLine(std::u16string& line, const UserDictionary& dic) {
    // The markers belong to the marking alone: the page's own stars go.
    std::erase(line, kSpanOpen);
    std::erase(line, kSpanClose);
    const int count = std::min<int>(
        dic.DicWordCount, static_cast<int>(std::min(dic.DicWord.size(), dic.DicRubi.size())));
    for (int i = 0; i < count; ++i) {
        const std::u16string& word = dic.DicWord[static_cast<size_t>(i)];
        if (word.empty() || line.find(word) == std::u16string::npos) continue;
        std::u16string marked;
        marked.reserve(dic.DicRubi[static_cast<size_t>(i)].size() + 2);
        marked.push_back(kSpanOpen);
        marked.append(dic.DicRubi[static_cast<size_t>(i)]);
        marked.push_back(kSpanClose);
        line = ReplaceAll(line, word, marked);
    }
}

void MarkDicWords(std::vector<std::u16string>& RubiSL, const UserDictionary& dic) {
    for (auto& line : RubiSL)
        MarkDicWordsInLine(line, dic);
}

std::u16string ConvertDicSpan(std::u16string_view span) {
    std::u16string out;
    out.reserve(span.size());
    for (char16_t c : span) {
        if (c == kSpanOpen || c == kSpanClose) continue;
        out.push_back(c == u'<' ? u'(' : c == u'>' ? u')' : c);
    }
    return out;
}

}  // namespace velmora
