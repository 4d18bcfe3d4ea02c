// The annotation engine: writes the reading of every kanji run into the page lines,
// 漢字を -> 漢字(かんじ)を, in place, line by line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ruby/Hooks.h"
#include "ruby/ReadingService.h"
#include "ruby/UserDictionary.h"

namespace velmora {

// Context limit of a run text, and the reading service's request limit (code units).
inline constexpr int kContextLimit = 64;
inline constexpr int kRequestLimit = 1023;
// Code units of context read again on their own when the okurigana cut fails.
inline constexpr int kFallbackHead = 5;

// Whether code unit c, followed by `next` (0 at the end of the text), starts a kanji.
bool IsKanji(char16_t c, char16_t next);

// Forces the reading after a numeral and a counter kanji: 1日(ひ) -> 1日(にち).
std::u16string FixNumberRubi(std::u16string line, char16_t counter, std::u16string_view reading);
// All six counter fixes in their order (年 月 日 時 分 人).
std::u16string FixAllNumberRubi(std::u16string line);

class RubiEngine {
public:
    // `level` and `dic` are read afresh at every run, so a change made while the job
    // pumps messages applies to the runs after it.
    RubiEngine(ReadingServiceFactory factory, const int& level, const UserDictionary& dic,
               JobHooks hooks);

    // Annotates every line. False when cancelled, when the reading service could not be
    // created or opened (no message), or after an unexpected failure (after its message).
    bool DoRubi(std::vector<std::u16string>& RubiSL);

    // 1-based position of the first run in `text`, 0 when there is none; sets
    // KanjiString and KanjiCount.
    int GetKanjiString(std::u16string_view text);

    // The reading of the run in KanjiString/KanjiCount, cut back to its kanji part
    // ("?" when the service has none). Needs an open service.
    std::u16string ReadRun(ReadingService& service);

    std::u16string KanjiString;
    int KanjiCount = 0;

private:
    bool Walk(std::vector<std::u16string>& RubiSL, ReadingService& service);
    bool Read(ReadingService& service, std::u16string_view text, std::u16string& reading);

    ReadingServiceFactory factory_;
    const int& level_;
    const UserDictionary& dic_;
    JobHooks hooks_;
};

// The message shown when a ruby job fails.
inline constexpr char16_t kRubiFailed[] = u"ルビふりにしっぱいしました。";

}  // namespace velmora
