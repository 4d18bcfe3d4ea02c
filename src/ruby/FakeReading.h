// A scripted reading service for tests: fixed readings, failures on demand, and a record
// of every request, so the engine's cut, fallback and failure paths are tested exactly.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ruby/ReadingService.h"

namespace velmora {

struct FakeReadingScript {
    // Whole texts with a fixed reading; looked up first.
    std::map<std::u16string, std::u16string> texts;
    // Readings of single characters (kanji) used for any other text: every character
    // without an entry stands for itself.
    std::map<char16_t, std::u16string> chars;
    // Texts whose request fails.
    std::set<std::u16string> failing;
    // Analyse answers with one word per character (readings from `chars`), so that the
    // engine takes its context path; off: the provider sees no context.
    bool analyse = false;
    bool failCreate = false;
    bool failOpen = false;
    // Every request, in order.
    std::vector<std::u16string> requests;
    int opened = 0;
    int released = 0;
};

class FakeReading final : public ReadingService {
public:
    explicit FakeReading(FakeReadingScript& script) : script_(script) {}
    ~FakeReading() override { ++script_.released; }

    bool Open() override {
        ++script_.opened;
        return !script_.failOpen;
    }

    bool GetPhonetic(std::u16string_view text, std::u16string& reading) override {
        std::u16string t(text);
        script_.requests.push_back(t);
        if (script_.failing.count(t)) return false;
        if (auto it = script_.texts.find(t); it != script_.texts.end()) {
            reading = it->second;
            return true;
        }
        reading.clear();
        for (char16_t c : t) {
            auto it = script_.chars.find(c);
            if (it != script_.chars.end()) {
                reading += it->second;
            } else {
                reading.push_back(c);
            }
        }
        return true;
    }

    bool Analyse(std::u16string_view text, std::vector<Morpheme>& words) override {
        words.clear();
        if (!script_.analyse) return false;
        for (size_t i = 0; i < text.size(); ++i) {
            Morpheme m;
            m.begin = i;
            m.end = i + 1;
            if (auto it = script_.chars.find(text[i]); it != script_.chars.end()) {
                m.reading = it->second;
            }
            words.push_back(std::move(m));
        }
        return true;
    }

private:
    FakeReadingScript& script_;
};

inline ReadingServiceFactory FakeReadingFactory(FakeReadingScript& script) {
    return [&script]() -> std::unique_ptr<ReadingService> {
        if (script.failCreate) return nullptr;
        return std::make_unique<FakeReading>(script);
    };
}

}  // namespace velmora
