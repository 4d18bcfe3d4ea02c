#include "pipeline/HtmlRanges.h"

#include <gumbo.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "ruby/RubiEngine.h"

namespace velmora {

namespace {

// ---- The page as one text for the parser ----

// The parser handles text one character at a time, which makes it several times slower
// than the annotation when it reads the page's text itself. So it reads a stand-in: the
// lines joined with "\n", where a run of characters right after a ">" that cannot change
// how the markup reads (no "<", ">", "&", quotes, "=", "/", "!", "-", "?", "]") becomes a
// single "x" (a single blank when it holds only blanks). Such a run is text, raw text,
// comment or attribute value text before and after, so the parser builds the same tree.
// Any other character outside ASCII becomes one "x" per code unit.
//
// `origin[i]` is where byte i of the stand-in starts in the page, in code units of the
// joined lines; `origin.back()` is the page's length.
struct StandIn {
    std::string text;
    std::vector<uint32_t> origin;
    std::vector<uint32_t> lineStart;  // code unit of each line's start, then the total
};

bool EndsRun(char16_t c) {
    switch (c) {
        case u'<':
        case u'>':
        case u'&':
        case u'"':
        case u'\'':
        case u'=':
        case u'/':
        case u'!':
        case u'-':
        case u'?':
        case u']':
        case u'\0':
            return true;
        default:
            return false;
    }
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

StandIn MakeStandIn(const std::vector<std::u16string>& lines) {
    StandIn s;
    std::u16string page;
    size_t total = 0;
    for (const auto& line : lines)
        total += line.size() + 1;
    if (total >= UINT32_MAX) throw std::length_error("page too long");
    page.reserve(total);
    s.lineStart.reserve(lines.size() + 1);
    for (const auto& line : lines) {
        s.lineStart.push_back(static_cast<uint32_t>(page.size()));
        page += line;
        page.push_back(u'\n');
    }
    s.lineStart.push_back(static_cast<uint32_t>(page.size()));

    s.text.reserve(total / 2);
    s.origin.reserve(total / 2 + 1);
    const size_t n = page.size();
    for (size_t i = 0; i < n;) {
        const char16_t c = page[i];
        s.origin.push_back(static_cast<uint32_t>(i));
        if (c == u'>' && i + 1 < n && !EndsRun(page[i + 1])) {
            s.text.push_back('>');
            s.origin.push_back(static_cast<uint32_t>(i + 1));
            size_t j = i + 1;
            bool blank = true;
            for (; j < n && !EndsRun(page[j]); ++j)
                blank = blank && IsBlank(page[j]);
            s.text.push_back(blank ? ' ' : 'x');
            i = j;
            continue;
        }
        s.text.push_back(c < 0x80 ? static_cast<char>(c) : 'x');
        ++i;
    }
    s.origin.push_back(static_cast<uint32_t>(n));
    return s;
}

// ---- The parser's memory ----

// Every block the parser allocates is linked into one list, so the whole tree goes in one
// loop at the end: the library's own clean-up recurses once per level of nesting, which a
// deeply nested page would turn into a stack overflow.
struct Block {
    Block* prev;
    Block* next;
};
static_assert(sizeof(Block) % alignof(std::max_align_t) == 0);

class ParserMemory {
public:
    ParserMemory() { head_.prev = head_.next = &head_; }
    ~ParserMemory() {
        for (Block* b = head_.next; b != &head_;) {
            Block* next = b->next;
            std::free(b);
            b = next;
        }
    }
    ParserMemory(const ParserMemory&) = delete;
    ParserMemory& operator=(const ParserMemory&) = delete;

    static void* Allocate(void* self, size_t size) {
        auto& m = *static_cast<ParserMemory*>(self);
        auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
        if (!b) std::abort();  // the parser cannot go on without memory
        b->prev = &m.head_;
        b->next = m.head_.next;
        m.head_.next->prev = b;
        m.head_.next = b;
        return b + 1;
    }
    static void Release(void*, void* p) {
        if (!p) return;
        Block* b = static_cast<Block*>(p) - 1;
        b->prev->next = b->next;
        b->next->prev = b->prev;
        std::free(b);
    }

private:
    Block head_{};
};

// ---- Walking the tree ----

struct ByteRange {
    size_t begin;
    size_t end;
    bool bracketsOnly;
};

struct Inherited {
    bool skip = false;           // no readings here
    bool skipElement = false;    // inside an element whose content takes none
    bool bracketsOnly = false;   // readings in brackets only
    bool otherLanguage = false;  // lang names Chinese or Korean
    bool noTranslate = false;    // translate="no"
};

bool EqualsCi(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Chinese or Korean by the primary language subtag (zh-CN, zh_TW, ko, yue-Hant, ...).
bool IsChineseOrKorean(std::string_view lang) {
    lang = Trim(lang);
    const size_t dash = lang.find_first_of("-_");
    const std::string_view primary = lang.substr(0, dash);
    for (std::string_view code : {"zh", "ko", "cmn", "yue", "lzh", "wuu", "hak", "nan", "gan",
                                  "hsn", "zho", "chi", "kor"}) {
        if (EqualsCi(primary, code)) return true;
    }
    return false;
}

// Elements whose content the reader does not see as text, or that must not change.
bool SkipsContent(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_XMP:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_RUBY:  // the page's own readings
        case GUMBO_TAG_RT:
        case GUMBO_TAG_RP:
        case GUMBO_TAG_RB:
        case GUMBO_TAG_RTC:
            return true;
        default:
            return false;
    }
}

// Elements whose text cannot hold ruby elements.
bool TextInBrackets(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_SELECT:
        case GUMBO_TAG_OPTION:
        case GUMBO_TAG_OPTGROUP:
        case GUMBO_TAG_DATALIST:
        case GUMBO_TAG_PLAINTEXT:
            return true;
        default:
            return false;
    }
}

// Elements whose title attribute names something (a style sheet set) rather than being
// shown to the reader.
bool TitleIsAName(GumboTag tag) {
    return tag == GUMBO_TAG_LINK || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_META ||
           tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_BASE;
}

class RangeCollector {
public:
    explicit RangeCollector(std::string_view page) : page_(page) {}

    void Walk(const GumboNode* root) {
        struct Item {
            const GumboNode* node;
            Inherited in;
        };
        std::vector<Item> stack{{root, Inherited{}}};
        while (!stack.empty()) {
            const Item item = stack.back();
            stack.pop_back();
            const GumboNode* node = item.node;
            switch (node->type) {
                case GUMBO_NODE_DOCUMENT:
                    PushChildren(stack, node->v.document.children, item.in);
                    break;
                case GUMBO_NODE_ELEMENT: {
                    Inherited in = ForElement(node->v.element, item.in);
                    PushChildren(stack, node->v.element.children, in);
                    break;
                }
                case GUMBO_NODE_TEXT:
                    if (!item.in.skip) AddText(node->v.text.original_text, item.in.bracketsOnly);
                    break;
                default:  // templates, comments, CDATA, whitespace
                    break;
            }
        }
    }

    std::vector<ByteRange> ranges;
    // Source spans a browser running scripts reads as raw text: what follows a noscript
    // start tag up to "</noscript". The parser here, running none, may have moved parts of
    // it (in the head, say) out of the element.
    std::vector<ByteRange> hidden;

private:
    void AddNoscript(const GumboElement& e) {
        size_t b, end;
        if (!Inside(e.original_tag, b, end)) return;
        size_t close = end;
        for (; close < page_.size(); ++close) {
            if (page_[close] == '<' && close + 10 <= page_.size() &&
                EqualsCi(page_.substr(close, 10), "</noscript")) {
                break;
            }
        }
        if (end < close) hidden.push_back({end, close, false});
    }

    template <class Stack>
    static void PushChildren(Stack& stack, const GumboVector& children, const Inherited& in) {
        for (unsigned i = children.length; i-- > 0;) {
            stack.push_back({static_cast<const GumboNode*>(children.data[i]), in});
        }
    }

    Inherited ForElement(const GumboElement& e, Inherited in) {
        const GumboVector& attrs = e.attributes;
        for (unsigned i = 0; i < attrs.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(attrs.data[i]);
            if (EqualsCi(a->name, "lang") || EqualsCi(a->name, "xml:lang")) {
                in.otherLanguage = IsChineseOrKorean(a->value);
            } else if (EqualsCi(a->name, "translate")) {
                const std::string_view v = Trim(a->value);
                if (EqualsCi(v, "no")) in.noTranslate = true;
                if (EqualsCi(v, "yes") || v.empty()) in.noTranslate = false;
            }
        }
        const bool attrsSkipped = in.skipElement || in.otherLanguage || in.noTranslate;
        if (!attrsSkipped) {
            for (unsigned i = 0; i < attrs.length; ++i) {
                const auto* a = static_cast<const GumboAttribute*>(attrs.data[i]);
                const bool shown = EqualsCi(a->name, "alt") || EqualsCi(a->name, "placeholder") ||
                                   (EqualsCi(a->name, "title") && !TitleIsAName(e.tag));
                if (shown) AddAttribute(a->original_value);
            }
        }
        in.skipElement = in.skipElement || SkipsContent(e.tag);
        in.skip = in.skipElement || in.otherLanguage || in.noTranslate;
        if (e.tag == GUMBO_TAG_NOSCRIPT) AddNoscript(e);
        in.bracketsOnly =
            in.bracketsOnly || TextInBrackets(e.tag) || e.tag_namespace != GUMBO_NAMESPACE_HTML;
        return in;
    }

    bool Inside(const GumboStringPiece& s, size_t& begin, size_t& end) const {
        if (!s.data || s.length == 0 || s.data < page_.data()) return false;
        begin = static_cast<size_t>(s.data - page_.data());
        end = begin + s.length;
        return begin < end && end <= page_.size();
    }

    void AddAttribute(const GumboStringPiece& raw) {
        size_t b, e;
        if (!Inside(raw, b, e)) return;
        const char q = page_[b];
        if ((q == '"' || q == '\'') && e - b >= 2 && page_[e - 1] == q) ++b, --e;
        if (b < e) ranges.push_back({b, e, true});
    }

    // The text's source, without anything in it that reads as a tag or comment: the parser
    // lets a text run on over tokens it ignored (a stray end tag, for one).
    void AddText(const GumboStringPiece& raw, bool bracketsOnly) {
        size_t b, e;
        if (!Inside(raw, b, e)) return;
        size_t from = b;
        for (size_t i = b; i + 1 < e; ++i) {
            if (page_[i] != '<') continue;
            const char c = page_[i + 1];
            const bool tagLike = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' ||
                                 c == '!' || c == '?';
            if (!tagLike) continue;
            if (from < i) ranges.push_back({from, i, bracketsOnly});
            const size_t gt = page_.find('>', i);
            from = gt == std::string_view::npos || gt >= e ? e : gt + 1;
            i = from - 1;
        }
        if (from < e) ranges.push_back({from, e, bracketsOnly});
    }

    std::string_view page_;
};

// Cuts the parts of `ranges` that lie in a hidden span.
std::vector<ByteRange> WithoutHidden(std::vector<ByteRange> ranges, std::vector<ByteRange> hidden) {
    if (hidden.empty()) return ranges;
    auto byBegin = [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; };
    std::sort(hidden.begin(), hidden.end(), byBegin);
    std::vector<ByteRange> merged;  // disjoint, in order
    for (const ByteRange& h : hidden) {
        if (!merged.empty() && h.begin <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, h.end);
        } else {
            merged.push_back(h);
        }
    }
    std::sort(ranges.begin(), ranges.end(), byBegin);
    std::vector<ByteRange> out;
    out.reserve(ranges.size());
    size_t j = 0;
    for (ByteRange r : ranges) {
        while (j < merged.size() && merged[j].end <= r.begin)
            ++j;
        for (size_t k = j; k < merged.size() && merged[k].begin < r.end; ++k) {
            if (merged[k].begin > r.begin)
                out.push_back({r.begin, merged[k].begin, r.bracketsOnly});
            r.begin = std::max(r.begin, merged[k].end);
            if (r.begin >= r.end) break;
        }
        if (r.begin < r.end) out.push_back(r);
    }
    return out;
}

// ---- Pages too deeply nested for the parser ----

// The parser looks through the open elements for most start tags, so its time grows with
// the number of tags times their nesting depth. A cheap scan estimates that product (tags
// that close themselves or are closed implicitly do not count as open); past the budget,
// about a second of parsing, the page is annotated line by line instead.
constexpr double kParseWorkBudget = 2e8;

bool ClosesItself(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "area",   "base",     "br",     "col",      "embed",   "hr",    "img",   "input", "link",
        "meta",   "param",    "source", "track",    "wbr",     "p",     "li",    "dt",    "dd",
        "option", "optgroup", "tr",     "td",       "th",      "tbody", "thead", "tfoot", "rb",
        "rt",     "rp",       "rtc",    "colgroup", "caption", "html",  "head",  "body",  "frame"};
    for (std::string_view n : kNames) {
        if (EqualsCi(name, n)) return true;
    }
    return false;
}

bool TooDeepToParse(std::string_view page) {
    double work = 0;
    size_t depth = 0;
    auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (size_t i = page.find('<'); i != std::string_view::npos && i + 1 < page.size();
         i = page.find('<', i + 1)) {
        if (page.substr(i, 4) == "<!--") {
            i = page.find("-->", i + 4);
            if (i == std::string_view::npos) break;
            continue;
        }
        const bool end = page[i + 1] == '/';
        size_t n = i + (end ? 2 : 1);
        if (n >= page.size() || !isAlpha(page[n])) continue;
        size_t e = n;
        while (e < page.size() && (isAlpha(page[e]) || (page[e] >= '0' && page[e] <= '9')))
            ++e;
        const std::string_view name = page.substr(n, e - n);
        if (!end && (EqualsCi(name, "script") || EqualsCi(name, "style"))) {
            // Their content is not markup.
            const std::string close = EqualsCi(name, "script") ? "</script" : "</style";
            size_t c = e;
            while ((c = page.find("</", c)) != std::string_view::npos &&
                   !EqualsCi(page.substr(c, close.size()), close)) {
                c += 2;
            }
            if (c == std::string_view::npos) break;
            i = c;
            continue;
        }
        if (ClosesItself(name)) continue;
        if (end) {
            depth -= depth > 0 ? 1 : 0;
        } else {
            work += static_cast<double>(++depth);
            if (work > kParseWorkBudget) return true;
        }
    }
    return false;
}

// Byte ranges of the stand-in -> code-unit ranges per line, split at line breaks.
std::vector<PieceRange> ToPieces(std::vector<ByteRange> ranges, const StandIn& s) {
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    std::vector<PieceRange> pieces;
    pieces.reserve(ranges.size());
    const size_t lineCount = s.lineStart.size() - 1;
    size_t line = 0;
    size_t done = 0;  // no piece may start before the end of the last one
    for (const ByteRange& r : ranges) {
        size_t b = std::max<size_t>(s.origin[r.begin], done);
        const size_t e = s.origin[r.end];
        if (b >= e) continue;
        done = e;
        while (line + 1 < lineCount && b >= s.lineStart[line + 1])
            ++line;
        for (size_t l = line; l < lineCount && b < e; ++l) {
            const size_t lineEnd = s.lineStart[l + 1] - 1;  // its "\n"
            const size_t pe = std::min(e, lineEnd);
            if (b < pe) {
                pieces.push_back({static_cast<uint32_t>(l),
                                  static_cast<uint32_t>(b - s.lineStart[l]),
                                  static_cast<uint32_t>(pe - s.lineStart[l]), r.bracketsOnly});
            }
            b = lineEnd + 1;
        }
    }
    return pieces;
}

}  // namespace

PageRanges WholeLineRanges(const std::vector<std::u16string>& lines, bool bracketsOnly) {
    PageRanges r;
    r.wholeLines = true;
    r.pieces.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        r.pieces.push_back(
            {static_cast<uint32_t>(i), 0, static_cast<uint32_t>(lines[i].size()), bracketsOnly});
    }
    return r;
}

PageRanges FindAnnotateRanges(const std::vector<std::u16string>& lines) {
    try {
        const StandIn standIn = MakeStandIn(lines);
        const std::string& page = standIn.text;
        if (TooDeepToParse(page)) return WholeLineRanges(lines);
        ParserMemory memory;
        GumboOptions options = kGumboDefaultOptions;
        options.allocator = &ParserMemory::Allocate;
        options.deallocator = &ParserMemory::Release;
        options.userdata = &memory;
        options.max_errors = 0;  // parse errors are not needed: do not collect them
        const GumboOutput* output = gumbo_parse_with_options(&options, page.data(), page.size());
        if (!output || !output->document) return WholeLineRanges(lines);
        RangeCollector collector(page);
        collector.Walk(output->document);
        PageRanges r;
        r.pieces = ToPieces(WithoutHidden(std::move(collector.ranges), std::move(collector.hidden)),
                            standIn);
        return r;  // `memory` frees the tree
    } catch (const std::exception&) {
        return WholeLineRanges(lines);
    }
}

bool AnnotatePage(std::vector<std::u16string>& RubiSL, const PageRanges& ranges, RubiEngine& engine,
                  const ReadingServiceFactory& factory, RubyStyle style, const JobHooks& hooks) {
    std::unique_ptr<ReadingService> service = factory ? factory() : nullptr;
    if (!service || !service->Open()) return false;
    try {
        const std::vector<PieceRange>& pieces = ranges.pieces;
        size_t next = 0;
        std::u16string out;
        for (size_t index = 0; index < RubiSL.size(); ++index) {
            if (!hooks.StillWanted()) return false;
            hooks.Pump();
            while (next < pieces.size() && pieces[next].line < index)
                ++next;
            if (next < pieces.size() && pieces[next].line == index) {
                const std::u16string& line = RubiSL[index];
                out.clear();
                out.reserve(line.size() + line.size() / 2);
                size_t done = 0;
                for (; next < pieces.size() && pieces[next].line == index; ++next) {
                    const PieceRange& p = pieces[next];
                    if (p.begin < done || p.end > line.size() || p.begin >= p.end) continue;
                    out.append(line, done, p.begin - done);
                    out += engine.AnnotatePiece(
                        std::u16string_view(line).substr(p.begin, p.end - p.begin), *service,
                        p.bracketsOnly ? RubyStyle::Parentheses : style);
                    done = p.end;
                    if (!hooks.StillWanted()) return false;
                }
                out.append(line, done);
                RubiSL[index].swap(out);
            }
            hooks.Progress(static_cast<int>(index));
        }
        return true;
    } catch (const std::exception&) {
        hooks.Message(kRubiFailed);
        return false;
    }
}

}  // namespace velmora
