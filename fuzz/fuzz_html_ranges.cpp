// The range finder on arbitrary pages: every piece lies inside its line, pieces come in page
// order without overlapping, and annotating them with a scripted reading service in either
// style leaves the text outside the pieces as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "pipeline/HtmlRanges.h"
#include "pipeline/PageDecode.h"
#include "ruby/FakeReading.h"
#include "ruby/RubiEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Half the inputs as UTF-8 (markup), half as raw UTF-16 (lone surrogates and all).
    std::u16string text;
    if (flags & 1) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
    } else {
        text = FromUtf8(bytes);
    }
    std::vector<std::u16string> lines = SplitLines(text);
    const PageRanges ranges = FindAnnotateRanges(lines);

    size_t prevLine = 0, prevEnd = 0;
    for (const PieceRange& p : ranges.pieces) {
        if (p.line >= lines.size() || p.begin >= p.end || p.end > lines[p.line].size()) abort();
        if (p.line < prevLine || (p.line == prevLine && p.begin < prevEnd)) abort();
        prevLine = p.line;
        prevEnd = p.end;
    }

    FakeReadingScript script;
    script.chars = {{u'漢', u"かん"}, {u'字', u"じ"}, {u'日', u"ひ"}};
    int level = 0;
    UserDictionary dic;
    if (flags & 2) {
        dic.DicWord = {u"漢字", u"日"};
        dic.DicRubi = {u"漢<かん>字<じ>", u"<"};
        dic.DicWordCount = 2;
    }
    RubiEngine engine(FakeReadingFactory(script), level, dic, {});
    const RubyStyle style = flags & 4 ? RubyStyle::RubyTags : RubyStyle::Parentheses;
    std::vector<std::u16string> annotated = lines;
    if (!AnnotatePage(annotated, ranges, engine, FakeReadingFactory(script), style, {})) abort();
    if (annotated.size() != lines.size()) abort();

    // Outside the pieces every line is unchanged: its text before the first piece and after
    // the last one are kept.
    size_t next = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t first = lines[i].size(), last = lines[i].size();
        bool any = false;
        for (; next < ranges.pieces.size() && ranges.pieces[next].line == i; ++next) {
            if (!any) first = ranges.pieces[next].begin;
            last = ranges.pieces[next].end;
            any = true;
        }
        if (!any) {
            if (annotated[i] != lines[i]) abort();
            continue;
        }
        const std::u16string_view before = std::u16string_view(lines[i]).substr(0, first);
        const std::u16string_view after = std::u16string_view(lines[i]).substr(last);
        if (!std::u16string_view(annotated[i]).starts_with(before)) abort();
        if (!std::u16string_view(annotated[i]).ends_with(after)) abort();
    }
    return 0;
}
