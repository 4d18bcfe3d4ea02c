// Numbers and counters: the reading of a number (ASCII, full-width or kanji digits, with
// 十 百 千 万 億 兆) and of the counter after it, with the sound changes of the common
// counters (1本 いっぽん, 3本 さんぼん, 10分 じゅっぷん) and the special day and people
// readings (1人 ひとり, 3日 みっか, 20日 はつか).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A number read from text. `any` stands for 何 (how many): なん.
struct Number {
    uint64_t value = 0;
    bool any = false;
};

// Plain reading of a number: 0 ぜろ, 300 さんびゃく, 8000 はっせん, 10000 いちまん.
std::u16string NumberReading(const Number& n);

// Whether c is an ASCII or full-width digit, or a kanji numeral (〇一..九十百千万億兆).
bool IsDigitChar(char16_t c);
bool IsKanjiNumeral(char16_t c);

// Value of digits (ASCII / full-width, commas between groups allowed) or of kanji
// numerals (positional 二〇二四 or with multipliers 三百五十); nullopt when the text is not
// a number or too large.
std::optional<Number> ParseDigits(std::u16string_view text);
std::optional<Number> ParseKanjiNumber(std::u16string_view text);

// The counter at the start of `text` (longest match) read after `n`: `length` code units
// of `text` taken (the counter and a tail such as 間 目 半), `reading` the reading of the
// number and the counter together, `counter` the counter's part of it alone when the
// number keeps its plain reading (empty when the number's own reading changes or is
// special). `afterMonth`: the number follows a month (3月1日: 1日 is ついたち).
struct CounterReading {
    size_t length = 0;
    std::u16string reading;
    std::u16string counter;
};
std::optional<CounterReading> ReadCounter(const Number& n, std::u16string_view text,
                                          bool afterMonth);

}  // namespace velmora
