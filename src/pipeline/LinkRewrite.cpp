#include "pipeline/LinkRewrite.h"

#include <cstddef>

#include "base/Text.h"

namespace velmora {

namespace {

constexpr size_t npos = std::u16string::npos;

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Whether a link starts with a URL scheme of its own (mailto:, javascript:, data:,
// file:...): such a link is absolute, and putting a folder in front of it would break it.
// One letter before the colon is a drive (C:/...), not a scheme.
bool HasScheme(std::u16string_view s) {
    if (s.empty() || !IsAsciiLetter(s[0])) return false;
    size_t i = 1;
    while (i < s.size() && (IsAsciiLetter(s[i]) || (s[i] >= u'0' && s[i] <= u'9') || s[i] == u'+' ||
                            s[i] == u'-' || s[i] == u'.')) {
        ++i;
    }
    return i >= 2 && i < s.size() && s[i] == u':';
}

// Appends `hay` to `out` with every occurrence of `needle` (left to right, not
// overlapping) replaced by `repl`. Linear in the sizes, whatever the text looks like.
void AppendReplaced(std::u16string& out, std::u16string_view hay, std::u16string_view needle,
                    std::u16string_view repl) {
    const size_t m = needle.size();
    if (m == 0 || hay.size() < m || hay.find(needle) == npos) {
        out.append(hay);
        return;
    }
    std::vector<size_t> fail(m, 0);
    for (size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && needle[i] != needle[k])
            k = fail[k - 1];
        if (needle[i] == needle[k]) ++k;
        fail[i] = k;
    }
    size_t copied = 0;
    for (size_t i = 0, k = 0; i < hay.size(); ++i) {
        while (k > 0 && hay[i] != needle[k])
            k = fail[k - 1];
        if (hay[i] == needle[k]) ++k;
        if (k == m) {
            const size_t start = i + 1 - m;
            out.append(hay.substr(copied, start - copied));
            out.append(repl);
            copied = i + 1;
            k = 0;
        }
    }
    out.append(hay.substr(copied));
}

// Whether `s` contains `name` (lower-case ASCII) in any letter case.
bool ContainsNameCi(std::u16string_view s, std::u16string_view name) {
    if (name.empty()) return true;
    const char16_t first = name[0];
    const char16_t firstUpper = static_cast<char16_t>(first - 32);
    for (size_t i = 0; i + name.size() <= s.size(); ++i) {
        if (s[i] != first && s[i] != firstUpper) continue;
        size_t k = 1;
        while (k < name.size() && LowerChar(s[i + k]) == name[k])
            ++k;
        if (k == name.size()) return true;
    }
    return false;
}

// "C:" or "c|" as the first segment of a path: a drive, which ".." never climbs above.
bool IsDriveSegment(std::u16string_view seg) {
    return seg.size() == 2 && IsAsciiLetter(seg[0]) && (seg[1] == u':' || seg[1] == u'|');
}

// A link that is a drive path of its own: C:/dir/x.html or C:\dir\x.html.
bool IsDrivePath(std::u16string_view s) {
    return s.size() >= 3 && IsAsciiLetter(s[0]) && s[1] == u':' && (s[2] == u'/' || s[2] == u'\\');
}

// Removes "." and ".." segments from an absolute path, as a browser does before it asks for
// the address (RFC 3986, 5.2.4). A drive segment at the start is kept.
std::u16string RemoveDotSegments(std::u16string_view path) {
    std::vector<std::u16string_view> out;
    bool trailingSlash = false;
    size_t floor = 0;
    size_t i = path.starts_with(u'/') ? 1 : 0;
    bool first = true;
    while (i <= path.size()) {
        size_t end = path.find(u'/', i);
        if (end == npos) end = path.size();
        const std::u16string_view seg = path.substr(i, end - i);
        const bool last = end == path.size();
        if (seg == u"." || seg == u"..") {
            if (seg == u".." && out.size() > floor) out.pop_back();
            trailingSlash = last;
        } else {
            out.push_back(seg);
            if (first && IsDriveSegment(seg)) floor = 1;
            trailingSlash = false;
        }
        first = false;
        i = end + 1;
    }
    std::u16string result;
    for (const auto& seg : out) {
        result += u'/';
        result.append(seg);
    }
    if (trailingSlash || result.empty()) result += u'/';
    return result;
}

// What a link is resolved against: the page's address split into its parts.
struct BaseUrl {
    std::u16string prefix;  // "https://host:8080" or "file://"; empty when there is none
    std::u16string scheme;  // "https:"
    std::u16string path;    // "/dir/page.html", never empty
    bool drive = false;     // a file path whose first segment is a drive (C:)
};

// The base of a downloaded page: its address without user name and password, query or
// fragment.
BaseUrl WebBase(const std::u16string& url) {
    BaseUrl base;
    const size_t colon = url.find(u':');
    if (colon == npos || colon == 0 || !HasScheme(url) || url.compare(colon, 3, u"://") != 0)
        return base;
    const size_t start = colon + 3;
    size_t end = url.find_first_of(u"/?#", start);
    if (end == npos) end = url.size();
    std::u16string_view authority = std::u16string_view(url).substr(start, end - start);
    if (const size_t at = authority.rfind(u'@'); at != npos) authority.remove_prefix(at + 1);
    if (authority.empty()) return base;
    base.scheme = LowerAscii(std::u16string_view(url).substr(0, colon + 1));
    base.prefix = base.scheme + u"//" + std::u16string(authority);
    size_t pathEnd = url.find_first_of(u"?#", end);
    if (pathEnd == npos) pathEnd = url.size();
    base.path = url.substr(end, pathEnd - end);
    if (base.path.empty()) base.path = u"/";
    return base;
}

// The file URL of a local page: file:// + the path, the separators of a drive path turned
// into "/", and the characters that would end a URL's path written as escapes.
BaseUrl FileBase(const std::u16string& filePath) {
    BaseUrl base;
    base.prefix = u"file://";
    base.scheme = u"file:";
    std::u16string path;
    if (!filePath.starts_with(u'/')) path = u"/";
    for (char16_t c : filePath) {
        if (c == u'\\') {
            path += u'/';
        } else if (c == u'%') {
            path += u"%25";
        } else if (c == u'#') {
            path += u"%23";
        } else if (c == u'?') {
            path += u"%3F";
        } else {
            path += c;
        }
    }
    base.path = path;
    base.drive = path.size() >= 3 && IsDriveSegment(std::u16string_view(path).substr(1, 2)) &&
                 (path.size() == 3 || path[3] == u'/');
    return base;
}

// What a pass needs to resolve its links, worked out once rather than for every link.
class Resolver {
public:
    Resolver(bool local, const std::u16string& filePath, const LinkOrigin& origin)
        : local_(local), base_(local ? FileBase(filePath) : WebBase(origin.pageUrl)) {}

    // The target of a link (its value and closing quote); empty to leave it. Links resolve
    // against the page's address as a browser resolves them (RFC 3986), so the copy in the
    // data folder reaches what the page reached where it came from.
    std::u16string operator()(const std::u16string& link) const {
        if (base_.prefix.empty() || link.empty()) return {};
        // The value without its closing quote, and without the blanks a browser ignores.
        std::u16string_view v = std::u16string_view(link).substr(0, link.size() - 1);
        while (!v.empty() && v.front() <= u' ')
            v.remove_prefix(1);
        while (!v.empty() && v.back() <= u' ')
            v.remove_suffix(1);
        // A place in the same page stays in the ruby page itself.
        if (v.empty() || v.front() == u'#') return {};
        if (local_ && IsDrivePath(v)) return Finish(u"file:///", Slashed(v), {});
        // A link with a scheme of its own (https:, mailto:, javascript:, about:) is absolute.
        if (HasScheme(v)) return {};

        // Browsers read "\" as "/" in the path of http, https and file addresses.
        const size_t suffixAt = v.find_first_of(u"?#");
        const std::u16string_view suffix =
            suffixAt == npos ? std::u16string_view() : v.substr(suffixAt);
        const std::u16string refPath = Slashed(v.substr(0, suffixAt == npos ? v.size() : suffixAt));

        if (refPath.starts_with(u"//")) {
            // Another host, on the page's scheme. A local page has none to lend: the link
            // already reaches what the browser would make of it.
            if (local_) return {};
            return base_.scheme + refPath + std::u16string(suffix) + u'"';
        }
        std::u16string path;
        if (refPath.empty()) {
            path = base_.path;  // only a query: the page itself with it
        } else if (refPath.starts_with(u'/')) {
            // From the root of the site; a local page's root is its drive when it has one.
            path = base_.drive ? base_.path.substr(0, 3) + refPath : refPath;
        } else {
            path = base_.path.substr(0, base_.path.rfind(u'/') + 1) + refPath;
        }
        return Finish(base_.prefix, RemoveDotSegments(path), suffix);
    }

private:
    static std::u16string Slashed(std::u16string_view s) {
        std::u16string out(s);
        for (char16_t& c : out) {
            if (c == u'\\') c = u'/';
        }
        return out;
    }

    static std::u16string Finish(std::u16string_view prefix, std::u16string_view path,
                                 std::u16string_view suffix) {
        std::u16string target;
        target.reserve(prefix.size() + path.size() + suffix.size() + 1);
        target.append(prefix);
        target.append(path);
        target.append(suffix);
        target += u'"';
        return target;
    }

    bool local_;
    BaseUrl base_;
};

void RewriteLine(std::u16string& line, const std::u16string (&patterns)[4],
                 const Resolver& resolve) {
    // Trim in place; most lines hold no link and are done after that.
    const std::u16string_view trimmed = TrimControls(line);
    if (trimmed.size() != line.size()) {
        line.assign(trimmed);
    }
    const std::u16string& text = line;
    // Every pattern of a pass starts with the attribute's name: a line without it holds
    // no link of this pass.
    const std::u16string_view name =
        std::u16string_view(patterns[0]).substr(0, patterns[0].find_first_of(u" ="));
    if (!ContainsNameCi(text, name)) return;
    thread_local std::u16string lower;
    lower.assign(text);
    for (auto& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    const size_t n = text.size();
    std::u16string out;

    // Next match of each pattern at or after the scan position, so that a long line is
    // searched once per pattern rather than once per link.
    constexpr size_t unknown = npos - 1;
    size_t next[4] = {unknown, unknown, unknown, unknown};

    size_t o = 0;  // start of the rest of the line
    while (o < n) {
        int k = -1;
        size_t j = npos;
        for (int i = 0; i < 4; ++i) {
            if (n - o <= patterns[i].size()) continue;
            if (next[i] == unknown || (next[i] != npos && next[i] < o)) {
                next[i] = lower.find(patterns[i], o);
            }
            if (next[i] != npos) {
                k = i;
                j = next[i];
                break;
            }
        }
        if (k < 0) break;
        if (out.capacity() == 0) out.reserve(n + n / 4);
        const size_t value = j + patterns[k].size();
        const size_t q = text.find(u'"', value);
        if (q == npos) break;

        const std::u16string link = text.substr(value, q + 1 - value);
        const std::u16string target = resolve(link);
        if (target.empty()) {
            out.append(text, o, q + 1 - o);
        } else {
            // The same link earlier in this piece is replaced too; the value itself is
            // replaced in its place. A bare closing quote (an empty value) is not looked
            // for elsewhere: that would put the target at every double quote before it.
            const std::u16string_view before = std::u16string_view(text).substr(o, j - o);
            if (link.size() > 1) {
                AppendReplaced(out, before, link, target);
            } else {
                out.append(before);
            }
            out.append(text, j, value - j);
            out.append(target);
        }
        o = q + 1;
        if (n - o < patterns[0].size()) break;
    }
    if (o == 0) return;  // nothing rewritten: the trimmed line stands
    if (o < n) out.append(text, o);
    line = std::move(out);
}

}  // namespace

std::u16string Dir(std::u16string_view x) {
    const size_t p = x.find_last_of(u"/\\");
    if (p == npos) return {};
    if (p == 2 && x[1] == u':' && IsAsciiLetter(x[0])) {
        // A drive root keeps its separator; the drive root alone has no folder.
        return x.size() > 3 ? std::u16string(x.substr(0, 3)) : std::u16string();
    }
    if (p == 0 && x[0] == u'/' && x.size() > 1) return u"/";
    return std::u16string(x.substr(0, p));
}

std::u16string ResolveLink(const std::u16string& link, const LinkOrigin& origin) {
    return Resolver(false, {}, origin)(link);
}

std::u16string ResolveLocalLink(const std::u16string& link, const std::u16string& filePath) {
    return Resolver(true, filePath, {})(link);
}

void RewriteLinkAttribute(std::vector<std::u16string>& RubiSL, const std::u16string (&patterns)[4],
                          const std::u16string& filePath, const LinkOrigin& origin) {
    const Resolver resolve(!filePath.empty(), filePath, origin);
    for (auto& line : RubiSL)
        RewriteLine(line, patterns, resolve);
}

void RewriteLinks(std::vector<std::u16string>& RubiSL, const std::u16string& filePath,
                  const LinkOrigin& origin, const JobHooks& hooks) {
    static const std::u16string href[4] = {u"href=\"", u"href =\"", u"href= \"", u"href = \""};
    static const std::u16string background[4] = {u"background=\"", u"background =\"",
                                                 u"background= \"", u"background = \""};
    static const std::u16string src[4] = {u"src=\"", u"src =\"", u"src= \"", u"src = \""};
    RewriteLinkAttribute(RubiSL, href, filePath, origin);
    hooks.Pump();
    RewriteLinkAttribute(RubiSL, background, filePath, origin);
    hooks.Pump();
    RewriteLinkAttribute(RubiSL, src, filePath, origin);
    hooks.Pump();
}

}  // namespace velmora
