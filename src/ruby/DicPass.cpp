#include "ruby/DicPass.h"

#include <algorithm>

#include "base/Text.h"

namespace velmora {

namespace {

// Appends `text` to `out` with every occurrence of `word` outside the spans already marked
// replaced by `marked`: an entry never marks inside another entry's marking.
void MarkOutsideSpans(std::u16string& out, std::u16string_view text, std::u16string_view word,
                      std::u16string_view marked) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(kSpanOpen, pos);
        const size_t plainEnd = open == std::u16string_view::npos ? text.size() : open;
        out += ReplaceAll(text.substr(pos, plainEnd - pos), word, marked);
        if (open == std::u16string_view::npos) break;
        const size_t close = text.find(kSpanClose, open);
        const size_t spanEnd = close == std::u16string_view::npos ? text.size() : close + 1;
        out.append(text.substr(open, spanEnd - open));
        pos = spanEnd;
    }
}

}  // namespace

void MarkDicWordsInLine(std::u16string& line, const UserDictionary& dic) {
    // The markers belong to the marking alone: the page's own stars go.
    std::erase(line, kSpanOpen);
    std::erase(line, kSpanClose);
    const int count = std::min<int>(
        dic.DicWordCount, static_cast<int>(std::min(dic.DicWord.size(), dic.DicRubi.size())));
    std::u16string marked, out;
    for (int i = 0; i < count; ++i) {
        const std::u16string& word = dic.DicWord[static_cast<size_t>(i)];
        const std::u16string& form = dic.DicRubi[static_cast<size_t>(i)];
        if (word.empty() || line.find(word) == std::u16string::npos) continue;
        marked.clear();
        marked.push_back(kSpanOpen);
        marked.append(form);
        marked.push_back(kSpanClose);
        out.clear();
        MarkOutsideSpans(out, line, word, marked);
        line.swap(out);
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
