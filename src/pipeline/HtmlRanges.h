// Where a page may take readings. An HTML5 parser reads the decoded page as a whole (so a
// tag, comment or script spanning lines is understood) and names the pieces the reader
// sees as text: the text of elements (not of scripts, styles, form fields, templates,
// existing ruby, or Chinese and Korean text, nor text marked translate="no"), the title,
// and the alt, title and placeholder attributes. Everything else stays byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ruby/Hooks.h"
#include "ruby/ReadingService.h"
#include "ruby/RubiEngine.h"

namespace velmora {

class RubiEngine;

// One piece of text that is its own context, within one line.
struct PieceRange {
    uint32_t line = 0;
    uint32_t begin = 0;  // code units within the line, [begin, end)
    uint32_t end = 0;
    // Readings in brackets even in ruby markup style: the title, attribute values, option
    // text and other places that cannot hold elements.
    bool bracketsOnly = false;

    bool operator==(const PieceRange&) const = default;
};

struct PageRanges {
    // In page order; none overlaps another or spans a line break.
    std::vector<PieceRange> pieces;
    // The parser could not be used: every line is one piece, in brackets.
    bool wholeLines = false;
};

// The pieces of the page `lines` that take readings.
PageRanges FindAnnotateRanges(const std::vector<std::u16string>& lines);

// Every line one piece, in brackets unless told otherwise: for plain text, and for a page
// the parser could not read.
PageRanges WholeLineRanges(const std::vector<std::u16string>& lines, bool bracketsOnly = true);

// Annotates the pieces of `RubiSL` in place. Per line: the job's cancel state is checked,
// messages are pumped, and the progress is reported; the engine pumps per run. False when
// cancelled, when the reading service could not be created or opened (no message), or
// after an unexpected failure (after its message).
bool AnnotatePage(std::vector<std::u16string>& RubiSL, const PageRanges& ranges, RubiEngine& engine,
                  const ReadingServiceFactory& factory, RubyStyle style, const JobHooks& hooks);

}  // namespace velmora
