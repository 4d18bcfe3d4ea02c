#include "pipeline/HtmlRanges.h"

#include <gumbo.h>

#include <algorithm>
#include <bit>
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

// The parser handles text one character at a time and is several times slower than the
// annotation when it reads the page's text itself. So it reads a stand-in of the page
// (the lines joined with "\n"), built by a scan that follows the tokenizer's states: a run
// of text becomes a single "_" (a blank when it holds only blanks: neither can start a tag
// after a "<"), the value of an attribute the parser does not look at becomes one "_", and
// any other character outside ASCII becomes one "_" per code unit. What can change how the markup
// reads stays as it is: "<" and tags, character references, "]" (for CDATA ends), and in scripts,
// comments and raw text every "<", ">", "-", "!", "/" and the name after "<" or "/". The parser
// then builds the same tree, and its positions map back to the page through `origin`.
//
// `origin[i]` is where byte i of the stand-in starts in the page, in code units of the
// joined lines; `origin.back()` is the page's length.
struct StandIn {
    std::string text;
    std::vector<uint32_t> origin;
    std::vector<uint32_t> lineStart;  // code unit of each line's start, then the total
};

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

bool IsAsciiAlpha(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsAsciiAlnum(char16_t c) {
    return IsAsciiAlpha(c) || (c >= u'0' && c <= u'9');
}

bool NameIs(std::u16string_view name, std::string_view lower) {
    if (name.size() != lower.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<unsigned char>(lower[i])) return false;
    }
    return true;
}

class StandInWriter {
public:
    explicit StandInWriter(const std::vector<std::u16string>& lines) {
        size_t total = 0;
        for (const auto& line : lines)
            total += line.size() + 1;
        if (total >= UINT32_MAX) throw std::length_error("page too long");
        page_.reserve(total);
        s_.lineStart.reserve(lines.size() + 1);
        for (const auto& line : lines) {
            s_.lineStart.push_back(static_cast<uint32_t>(page_.size()));
            page_ += line;
            page_.push_back(u'\n');
        }
        s_.lineStart.push_back(static_cast<uint32_t>(page_.size()));
        s_.text.reserve(total / 3);
        s_.origin.reserve(total / 3 + 1);
    }

    StandIn Write() {
        const size_t n = page_.size();
        size_t text = 0;  // start of the text not yet written
        for (size_t i = 0; i < n;) {
            if (page_[i] != u'<') {
                ++i;
                continue;
            }
            const size_t markup = i;
            const char16_t next = i + 1 < n ? page_[i + 1] : 0;
            if (IsAsciiAlpha(next) || (next == u'/' && i + 2 < n && IsAsciiAlpha(page_[i + 2]))) {
                Text(text, markup);
                std::u16string_view raw;
                i = Tag(i, raw);
                text = i;
                if (raw.empty()) continue;
                if (NameIs(raw, "plaintext")) {
                    Text(i, n);
                    text = i = n;
                    continue;
                }
                const size_t close = RawEnd(i, raw);
                Guarded(i, close);
                text = i = close;
            } else if (next == u'!' && page_.compare(i, 4, u"<!--") == 0) {
                Text(text, markup);
                i = CommentEnd(i);
                Guarded(markup, i);
                text = i;
            } else if (next == u'!' || next == u'?' || next == u'/') {
                // DOCTYPE, bogus comments, CDATA, "</>": up to the first ">".
                Text(text, markup);
                const size_t gt = page_.find(u'>', i + 1);
                i = gt == std::u16string::npos ? n : gt + 1;
                Copy(markup, i);
                text = i;
            } else {
                ++i;  // a "<" that is text
            }
        }
        Text(text, n);
        s_.origin.push_back(static_cast<uint32_t>(n));
        return std::move(s_);
    }

private:
    void Put(char c, size_t from) {
        s_.text.push_back(c);
        s_.origin.push_back(static_cast<uint32_t>(from));
    }
    void Copy(size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            const char16_t c = page_[k];
            Put(c < 0x80 ? static_cast<char>(c) : '_', k);
        }
    }
    // One placeholder for [from, to), which holds at least one code unit.
    void Squeeze(size_t from, size_t to) {
        bool blank = true;
        for (size_t k = from; k < to && blank; ++k)
            blank = IsBlank(page_[k]);
        Put(blank ? ' ' : '_', from);
    }

    // Text in the data state: runs squeezed, character references, "]" and NUL kept.
    void Text(size_t from, size_t to) {
        size_t k = from;
        while (k < to) {
            size_t j = k;
            while (j < to && page_[j] != u'&' && page_[j] != u']' && page_[j] != 0)
                ++j;
            if (j > k) Squeeze(k, j);
            if (j == to) break;
            const bool reference = page_[j] == u'&';
            Put(static_cast<char>(page_[j]), j);
            ++j;
            if (reference) {
                while (j < to && (IsAsciiAlnum(page_[j]) || page_[j] == u'#')) {
                    Put(static_cast<char>(page_[j]), j);
                    ++j;
                }
                if (j < to && page_[j] == u';') Put(';', j++);
            }
            k = j;
        }
    }

    // Scripts, comments and raw text: only what can end them or change their state stays.
    void Guarded(size_t from, size_t to) {
        auto keep = [&](size_t k) {
            const char16_t c = page_[k];
            if (c == u'<' || c == u'>' || c == u'-' || c == u'!' || c == u'/' || c == u']' ||
                c == 0)
                return true;
            return k > from && (page_[k - 1] == u'<' || page_[k - 1] == u'/') && IsAsciiAlpha(c);
        };
        size_t k = from;
        while (k < to) {
            if (keep(k)) {
                // A name after "<" or "/" is kept whole.
                const bool name = IsAsciiAlpha(page_[k]);
                do {
                    Copy(k, k + 1);
                    ++k;
                } while (name && k < to && IsAsciiAlnum(page_[k]));
                continue;
            }
            size_t j = k + 1;
            while (j < to && !keep(j))
                ++j;
            Squeeze(k, j);
            k = j;
        }
    }

    // A start or end tag from its "<". Its name is copied; of its attributes only those the
    // parser or the range finder reads are written (the others, addresses and classes and
    // styles, are left out), with the values of the readable ones squeezed. Returns the
    // position after the tag; `raw` is the name of a start tag whose content is raw text.
    size_t Tag(size_t i, std::u16string_view& raw) {
        const size_t n = page_.size();
        const bool end = page_[i + 1] == u'/';
        size_t j = i + (end ? 2 : 1);
        const size_t nameFrom = j;
        while (j < n && !IsBlank(page_[j]) && page_[j] != u'/' && page_[j] != u'>')
            ++j;
        const std::u16string_view name = std::u16string_view(page_).substr(nameFrom, j - nameFrom);
        Copy(i, j);
        for (;;) {
            bool slash = false;
            while (j < n && (IsBlank(page_[j]) || page_[j] == u'/')) {
                slash = page_[j] == u'/';
                ++j;
            }
            if (j >= n) return n;
            if (page_[j] == u'>') {
                if (slash) Put('/', j - 1);  // self-closing, as in <br/> and foreign content
                Copy(j, j + 1);
                ++j;
                break;
            }
            const size_t attrFrom = j;
            ++j;  // the first character belongs to the name, even "="
            while (j < n && !IsBlank(page_[j]) && page_[j] != u'/' && page_[j] != u'>' &&
                   page_[j] != u'=')
                ++j;
            const std::u16string_view attr =
                std::u16string_view(page_).substr(attrFrom, j - attrFrom);
            const bool read = !end && (ParserReads(attr) || Readable(attr));
            if (read) {
                Put(' ', attrFrom);
                Copy(attrFrom, j);
            }
            size_t k = j;
            while (k < n && IsBlank(page_[k]))
                ++k;
            if (k >= n || page_[k] != u'=') continue;
            ++k;
            while (k < n && IsBlank(page_[k]))
                ++k;
            if (read) Put('=', k - 1);
            j = k;
            if (j >= n) return n;
            const char16_t q = page_[j];
            if (q == u'"' || q == u'\'') {
                const size_t close = page_.find(q, j + 1);
                if (close == std::u16string::npos) return n;
                if (read) {
                    Copy(j, j + 1);
                    if (close > j + 1) {
                        if (ParserReads(attr)) {
                            Copy(j + 1, close);
                        } else {
                            Squeeze(j + 1, close);
                        }
                    }
                    Copy(close, close + 1);
                }
                j = close + 1;
            } else {
                while (k < n && !IsBlank(page_[k]) && page_[k] != u'>')
                    ++k;
                if (read) Copy(j, k);
                j = k;
            }
        }
        if (!end) {
            for (std::string_view r : {"script", "style", "xmp", "iframe", "noembed", "noframes",
                                       "title", "textarea", "plaintext"}) {
                if (NameIs(name, r)) raw = name;
            }
        }
        return j;
    }

    // Attributes whose text takes readings.
    static bool Readable(std::u16string_view attr) {
        return NameIs(attr, "alt") || NameIs(attr, "title") || NameIs(attr, "placeholder");
    }

    // Attributes whose values the parser (or the range finder) reads.
    static bool ParserReads(std::u16string_view attr) {
        for (std::string_view a :
             {"lang", "xml:lang", "translate", "type", "encoding", "color", "face", "size"}) {
            if (NameIs(attr, a)) return true;
        }
        return false;
    }

    // Where the raw text after a start tag named `name` ends: at "</name" followed by a
    // blank, "/" or ">" (or the end of the page).
    size_t RawEnd(size_t from, std::u16string_view name) const {
        const size_t n = page_.size();
        for (size_t k = page_.find(u"</", from); k != std::u16string::npos;
             k = page_.find(u"</", k + 2)) {
            const size_t after = k + 2 + name.size();
            if (after > n) break;
            if (!NameIs(std::u16string_view(page_).substr(k + 2, name.size()), ToLower(name)))
                continue;
            if (after == n || IsBlank(page_[after]) || page_[after] == u'/' || page_[after] == u'>')
                return k;
        }
        return n;
    }

    static std::string ToLower(std::u16string_view name) {
        std::string out;
        for (char16_t c : name)
            out.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c));
        return out;
    }

    // The end of a comment from its "<!--": after "-->" or "--!>", or right away for the
    // abrupt "<!-->" and "<!--->".
    size_t CommentEnd(size_t i) const {
        const size_t n = page_.size();
        if (page_.compare(i + 4, 1, u">") == 0) return i + 5;
        if (page_.compare(i + 4, 2, u"->") == 0) return i + 6;
        for (size_t k = page_.find(u"--", i + 4); k != std::u16string::npos;
             k = page_.find(u"--", k + 1)) {
            if (page_.compare(k + 2, 1, u">") == 0) return k + 3;
            if (page_.compare(k + 2, 2, u"!>") == 0) return k + 4;
        }
        return n;
    }

    std::u16string page_;
    StandIn s_;
};

StandIn MakeStandIn(const std::vector<std::u16string>& lines) {
    return StandInWriter(lines).Write();
}

// ---- The parser's memory ----

// The parser allocates and frees many small blocks per token. They come from large chunks,
// with a free list per size class for reuse; blocks above the largest class are allocated
// one by one and linked. All of it goes at once at the end: the library's own clean-up
// recurses once per level of nesting, which a deeply nested page would turn into a stack
// overflow, so it is never called.
class ParserMemory {
public:
    ParserMemory() = default;
    ~ParserMemory() {
        for (Large* b = large_; b;) {
            Large* next = b->next;
            std::free(b);
            b = next;
        }
    }
    ParserMemory(const ParserMemory&) = delete;
    ParserMemory& operator=(const ParserMemory&) = delete;

    static void* Allocate(void* self, size_t size) {
        return static_cast<ParserMemory*>(self)->Get(size);
    }
    static void Release(void* self, void* p) {
        if (p) static_cast<ParserMemory*>(self)->Put(p);
    }

private:
    static constexpr size_t kAlign = alignof(std::max_align_t);
    static constexpr int kClasses = 9;  // 16 .. 4096 bytes
    // Below the C library's threshold for mapping fresh pages, so chunks are reused.
    static constexpr size_t kChunk = 60 * 1024;
    static constexpr uint32_t kLargeClass = 0xFF;

    struct alignas(kAlign) Header {
        uint32_t sizeClass;
    };
    struct Large {
        Large* prev;
        Large* next;
    };
    struct FreeBlock {
        FreeBlock* next;
    };
    static_assert(sizeof(Large) % kAlign == 0 && sizeof(Header) % kAlign == 0);

    static int ClassOf(size_t size) {
        return size <= 16 ? 0 : static_cast<int>(std::bit_width(size - 1)) - 4;
    }

    void* Get(size_t size) {
        if (size > (size_t{16} << (kClasses - 1))) {
            auto* l = static_cast<Large*>(std::malloc(sizeof(Large) + sizeof(Header) + size));
            if (!l) std::abort();  // the parser cannot go on without memory
            l->prev = nullptr;
            l->next = large_;
            if (large_) large_->prev = l;
            large_ = l;
            auto* h = reinterpret_cast<Header*>(l + 1);
            h->sizeClass = kLargeClass;
            return h + 1;
        }
        const int c = ClassOf(size);
        if (FreeBlock* f = free_[c]) {
            free_[c] = f->next;
            return f;
        }
        const size_t need = sizeof(Header) + (size_t{16} << c);
        if (static_cast<size_t>(end_ - next_) < need) {
            chunks_.push_back(std::make_unique_for_overwrite<Chunk>());
            next_ = chunks_.back()->bytes;
            end_ = next_ + kChunk;
        }
        auto* h = reinterpret_cast<Header*>(next_);
        next_ += need;
        h->sizeClass = static_cast<uint32_t>(c);
        return h + 1;
    }

    void Put(void* p) {
        Header* h = static_cast<Header*>(p) - 1;
        if (h->sizeClass == kLargeClass) {
            Large* l = reinterpret_cast<Large*>(h) - 1;
            if (l->prev) l->prev->next = l->next;
            if (l->next) l->next->prev = l->prev;
            if (large_ == l) large_ = l->next;
            std::free(l);
            return;
        }
        auto* f = static_cast<FreeBlock*>(p);
        f->next = free_[h->sizeClass];
        free_[h->sizeClass] = f;
    }

    struct Chunk {
        alignas(kAlign) unsigned char bytes[kChunk];
    };
    std::vector<std::unique_ptr<Chunk>> chunks_;
    unsigned char* next_ = nullptr;
    unsigned char* end_ = nullptr;
    FreeBlock* free_[kClasses] = {};
    Large* large_ = nullptr;
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
        // sorted
        "area",   "base",     "body",   "br",    "caption", "col",   "colgroup", "dd",    "dt",
        "embed",  "frame",    "head",   "hr",    "html",    "img",   "input",    "li",    "link",
        "meta",   "optgroup", "option", "p",     "param",   "rb",    "rp",       "rt",    "rtc",
        "source", "tbody",    "td",     "tfoot", "th",      "thead", "tr",       "track", "wbr"};
    if (name.empty() || name.size() > 8) return false;
    char lower[8];
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::binary_search(std::begin(kNames), std::end(kNames),
                              std::string_view(lower, name.size()));
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
