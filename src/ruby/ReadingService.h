// The reading service the annotation engine asks for the reading of a text.
// On Linux MeCab stands behind it; on Windows the IME language object will.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One word of a text analysed as a whole: where it stands (UTF-16 code units of the text,
// end exclusive), its reading in hiragana (empty when the provider has none), and whether
// it is a number or a counter suffix.
struct Morpheme {
    enum class Kind : unsigned char { Word, Number, Counter };
    size_t begin = 0;
    size_t end = 0;
    std::u16string reading;
    Kind kind = Kind::Word;
};

class ReadingService {
public:
    virtual ~ReadingService() = default;
    // Once per job, before the first reading. False: the job cannot run.
    virtual bool Open() = 0;
    // The reading of the whole text in hiragana, in text order; hiragana and characters
    // without a reading come back as they stand. False: no reading for this text.
    virtual bool GetPhonetic(std::u16string_view text, std::u16string& reading) = 0;
    // The words of the whole text in text order, with readings for the words that hold
    // kanji, so that every run is read within its sentence. False: this provider cannot
    // see context, and the engine asks GetPhonetic for each run instead.
    virtual bool Analyse(std::u16string_view text, std::vector<Morpheme>& words) {
        (void)text;
        words.clear();
        return false;
    }
};

// Creates the service for one job; may return null when it cannot be created.
using ReadingServiceFactory = std::function<std::unique_ptr<ReadingService>()>;

}  // namespace velmora
