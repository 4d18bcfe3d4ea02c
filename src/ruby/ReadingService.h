// The reading service the annotation engine asks for the reading of a text.
// On Linux MeCab stands behind it; on Windows the IME language object will.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class ReadingService {
public:
    virtual ~ReadingService() = default;
    // Once per job, before the first reading. False: the job cannot run.
    virtual bool Open() = 0;
    // The reading of the whole text in hiragana, in text order; hiragana and characters
    // without a reading come back as they stand. False: no reading for this text.
    virtual bool GetPhonetic(std::u16string_view text, std::u16string& reading) = 0;
};

// Creates the service for one job; may return null when it cannot be created.
using ReadingServiceFactory = std::function<std::unique_ptr<ReadingService>()>;

}  // namespace velmora
