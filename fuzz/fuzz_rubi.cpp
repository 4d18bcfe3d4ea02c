// The annotation walk on arbitrary UTF-16 lines, with a scripted reading service whose
// readings and failures come from the input too, and a dictionary with span markers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ruby/FakeReading.h"
#include "ruby/RubiEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    std::u16string text;
    for (size_t i = 1; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    FakeReadingScript script;
    // Readings that differ from the text make the engine take its fallback paths.
    script.chars = {{u'漢', u"かん"}, {u'字', u""}, {u'ア', u"あ"}, {u'a', u"ab"}, {u'1', u""}};
    if (flags & 1) script.failing.insert(lines.empty() ? u"" : lines[0]);
    script.analyse = flags & 8;
    int level = flags >> 5;  // 0..7; the engine gets 0..6 from the store, 7 must not hurt
    UserDictionary dic;
    if (flags & 2) {
        dic.DicWord = {u"漢字", u"☆", u"a", u"字"};
        dic.DicRubi = {u"漢<かん>字<じ>", u"★<", u"", u"☆字★"};
        dic.DicWordCount = 4;
    }
    int pumps = 0;
    JobHooks hooks;
    hooks.stillWanted = [&] { return !(flags & 4) || pumps < 50; };
    hooks.pump = [&] { ++pumps; };
    RubiEngine engine(FakeReadingFactory(script), level, dic, hooks);
    if (flags & 16) {
        // One piece in ruby tags, as the markup-aware caller hands it over.
        auto service = FakeReadingFactory(script)();
        if (service && service->Open()) engine.AnnotatePiece(text, *service, RubyStyle::RubyTags);
        return 0;
    }
    engine.DoRubi(lines);
    return 0;
}
