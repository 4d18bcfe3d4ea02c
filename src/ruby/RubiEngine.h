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

// How a reading is written: 漢字(かんじ), or <ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>.
enum class RubyStyle { Parentheses, RubyTags };

// Whether a reading holds hiragana and the long-vowel mark only.
bool IsKanaReading(std::u16string_view reading);

// Splits the reading of a word over the word's characters: kana in the word must stand in
// the reading as they are (katakana matched as hiragana), every other stretch of the
// word (kanji, digits, letters) takes at least one character of the reading. `parts`
// gets, for each stretch of the word, its begin in the word and its part of the reading.
// False when the reading does not fit the word.
struct ReadingPart {
    size_t begin = 0;
    size_t end = 0;
    bool kana = false;
    std::u16string_view reading;
};
bool SplitReading(std::u16string_view word, std::u16string_view reading,
                  std::vector<ReadingPart>& parts);

class RubiEngine {
public:
    // `level` and `dic` are read afresh at every run, so a change made while the job
    // pumps messages applies to the runs after it.
    RubiEngine(ReadingServiceFactory factory, const int& level, const UserDictionary& dic,
               JobHooks hooks);

    // Annotates every line. False when cancelled, when the reading service could not be
    // created or opened (no message), or after an unexpected failure (after its message).
    bool DoRubi(std::vector<std::u16string>& RubiSL);

    // Annotates one piece of text that is its own context (a line, a text node, an
    // attribute value): every run is read within the piece, with the user's dictionary,
    // the level filter and the counters applied. Needs an open service; the job's pump
    // and cancel hooks are honoured before each run (a cancelled piece comes back as far
    // as it got, the rest unchanged).
    std::u16string AnnotatePiece(std::u16string_view piece, ReadingService& service,
                                 RubyStyle style);

    // 1-based position of the first run in `text`, 0 when there is none; sets
    // KanjiString and KanjiCount.
    int GetKanjiString(std::u16string_view text);

    // The reading of the run in KanjiString/KanjiCount, cut back to its kanji part
    // ("?" when the service has none). Needs an open service.
    std::u16string ReadRun(ReadingService& service);

    std::u16string KanjiString;
    int KanjiCount = 0;

private:
    struct Piece;
    struct RunReading {
        std::u16string reading;
        size_t digits = 0;  // digits before the run that the reading covers (3日 みっか)
        // A counter at the start of a longer run is written on its own, and the kanji
        // after it with their own reading: 2本(ほん)買(か)う, not 2本買(ほんか)う.
        size_t counterLength = 0;
        std::u16string restReading;
    };

    bool Walk(std::vector<std::u16string>& RubiSL, ReadingService& service);
    bool Annotate(std::u16string_view piece, ReadingService& service, RubyStyle style,
                  std::u16string& out);
    bool Read(ReadingService& service, std::u16string_view text, std::u16string& reading);
    RunReading ReadRunAt(Piece& piece, size_t begin, size_t end, ReadingService& service);
    std::u16string ReadSpan(Piece& piece, size_t begin, size_t end, ReadingService& service);
    bool ReadInContext(Piece& piece, size_t begin, size_t end, ReadingService& service,
                       std::u16string& reading);

    ReadingServiceFactory factory_;
    const int& level_;
    const UserDictionary& dic_;
    JobHooks hooks_;
};

// The message shown when a ruby job fails.
inline constexpr char16_t kRubiFailed[] = u"ルビふりにしっぱいしました。";

}  // namespace velmora
