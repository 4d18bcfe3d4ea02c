#include "browser/RubiTitle.h"

#include "base/Text.h"

namespace velmora {
namespace {

std::u16string Head(const std::u16string& s, size_t pos, size_t count) {
    if (pos >= s.size()) return {};
    return s.substr(pos, count);
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::u16string FindRubiTitle(const std::vector<std::u16string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::u16string low = LowerAscii(lines[i]);
        const size_t p = low.find(u"<title>");
        if (p == std::u16string::npos) continue;
        const size_t start = p + 7;
        std::u16string title;
        const size_t q = low.find(u"</title>");
        if (q != std::u16string::npos)
            title = q > start ? lines[i].substr(start, q - start) : std::u16string();
        else
            title = Head(lines[i], start, kTitleCut);
        // The next line holds the text only when the element goes on there: an empty
        // element closed on this line is a page without a title, not the next line's text.
        if (title.empty() && q == std::u16string::npos && i + 1 < lines.size()) {
            const std::u16string next = LowerAscii(lines[i + 1]);
            const size_t q2 = next.find(u"</title>");
            title = q2 != std::u16string::npos ? lines[i + 1].substr(0, q2)
                                               : Head(lines[i + 1], 0, kTitleCut);
        }
        return title;
    }
    return {};
}

std::u16string RubiTitleEntry(const std::vector<std::u16string>& lines, int number,
                              const std::function<bool(const std::u16string&)>& fits) {
    std::u16string title = FindRubiTitle(lines);
    bool cut = false;
    while (!title.empty() && !fits(title)) {
        cut = true;
        // A character outside the BMP goes as a whole, never half a surrogate pair.
        const bool pair = title.size() >= 2 && IsLowSurrogate(title.back());
        title.resize(title.size() - (pair ? 2 : 1));
    }
    if (cut) return title + u"...";
    if (!title.empty()) return title;
    return u"Rubi" + FromUtf8(std::to_string(number));
}

}  // namespace velmora
