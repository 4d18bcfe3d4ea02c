// The run finder on arbitrary UTF-16 text: positions stay inside the text and the run
// text is a piece of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ruby/FakeReading.h"
#include "ruby/RubiEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    if (size < 1) return 0;
    std::u16string text;
    for (size_t i = 1; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    FakeReadingScript script;
    int level = 0;
    UserDictionary dic;
    dic.DicWordCount = data[0] & 1;
    RubiEngine engine(FakeReadingFactory(script), level, dic, {});
    int pos = engine.GetKanjiString(text);
    if (pos < 0 || static_cast<size_t>(pos) > text.size()) std::abort();
    if (pos == 0) {
        if (!engine.KanjiString.empty()) std::abort();
        return 0;
    }
    const size_t at = static_cast<size_t>(pos - 1);
    if (text.compare(at, engine.KanjiString.size(), engine.KanjiString) != 0) std::abort();
    if (engine.KanjiCount < 0 ||
        static_cast<size_t>(engine.KanjiCount) > engine.KanjiString.size()) {
        std::abort();
    }
    return 0;
}
