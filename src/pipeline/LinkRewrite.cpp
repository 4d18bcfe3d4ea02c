#include "pipeline/LinkRewrite.h"

#include <cstddef>

#include "base/Text.h"

namespace velmora {

namespace {

constexpr size_t npos = std::u16string::npos;

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool Contains(std::u16string_view s, std::u16string_view part) {
    return s.find(part) != npos;
}

void EraseFirstCi(std::u16string& s, std::u16string_view part) {
    const size_t at = FindCi(s, part);
    if (at != npos) s.erase(at, part.size());
}

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

// Climbs one folder per leading "../" of `w`, starting with dir(base). False when the climb
// runs out of folders.
bool Climb(std::u16string& base, std::u16string& w) {
    for (;;) {
        base = Dir(base);
        if (base.empty()) return false;
        if (!StartsWith(w, u"../")) return true;
        w.erase(0, 3);
    }
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

// The site's root as links need it: the home folder with the page's port, when the page
// address names one (http://host:8080/ rather than http://host/, which is another server).
std::u16string SiteHome(const LinkOrigin& origin) {
    const std::u16string& home = origin.LHomeDirectory;
    const size_t scheme = origin.pageUrl.find(u"//");
    if (home.empty() || scheme == npos) return home;
    const size_t start = scheme + 2;
    const size_t end = origin.pageUrl.find_first_of(u"/?#", start);
    const std::u16string_view authority =
        std::u16string_view(origin.pageUrl).substr(start, end == npos ? npos : end - start);
    const size_t colon = authority.rfind(u':');
    if (colon == npos || authority.find(u']', colon) != npos) return home;
    const std::u16string_view port = authority.substr(colon + 1);
    if (port.empty()) return home;
    for (char16_t c : port) {
        if (c < u'0' || c > u'9') return home;
    }
    std::u16string withPort = home.substr(0, home.size() - (home.ends_with(u'/') ? 1 : 0));
    withPort += u':';
    withPort += port;
    withPort += u'/';
    return withPort;
}

// What a pass needs to resolve its links, worked out once rather than for every link.
class Resolver {
public:
    Resolver(bool local, const std::u16string& filePath, const LinkOrigin& origin)
        : local_(local), origin_(origin) {
        if (local_) {
            // A path from the root (/dir/page.html) becomes file:// + path; a drive path
            // (C:/dir/page.html) file:/// + path. The root "/" plays the part of the drive
            // root C:/ but never doubles its separator.
            posix_ = StartsWith(filePath, u"/");
            fileUrl_ = posix_ ? u"file://" : u"file:///";
            folder_ = Dir(filePath);
            if (!posix_ || folder_ != u"/") folder_ += u'/';
            root_ = posix_ ? std::u16string(u"/") : filePath.substr(0, 3);
        } else {
            home_ = SiteHome(origin);
            pageDir_ = Dir(origin.pageUrl);
        }
    }

    // The target of a link (its value and closing quote); empty to leave it.
    std::u16string operator()(const std::u16string& link) const {
        return local_ ? Local(link) : Downloaded(link);
    }

private:
    std::u16string Downloaded(const std::u16string& link) const {
        if (ContainsCi(link, home_)) return link;
        std::u16string w = link;
        EraseFirstCi(w, u"about:blank");
        EraseFirstCi(w, u"about:");
        if (StartsWith(w, u"//")) return origin_.LProtocol + w;
        if (StartsWith(w, u"/")) return home_ + w;
        if (StartsWith(w, u"./")) return pageDir_ + u"/" + w.substr(2);
        if (HasScheme(w)) return w;
        if (Contains(w, u"../")) {
            std::u16string base = origin_.pageUrl;
            if (!Climb(base, w)) return {};
            base += u'/';
            // Above the site's root the link stays as it is.
            if (!ContainsCi(base, home_)) return {};
            return base + w;
        }
        if (Contains(w, u"://")) return w;
        if (StartsWith(w, u"#")) return w;
        return pageDir_ + u"/" + w;
    }

    std::u16string Local(const std::u16string& link) const {
        if (HasScheme(link)) return {};
        // On the root form a path merely containing the folder (https://h/dir/...) is not
        // in it.
        if (posix_ ? StartsWithCi(link, folder_) : ContainsCi(link, folder_))
            return fileUrl_ + link;
        if (StartsWith(link, u"/")) return fileUrl_ + folder_ + link;
        if (StartsWith(link, u"./")) return fileUrl_ + folder_ + link.substr(2);
        if (Contains(link, u"../")) {
            std::u16string base = folder_;
            std::u16string w = link;
            if (!Climb(base, w)) return {};
            if (!posix_ || base != u"/") base += u'/';
            if (!ContainsCi(base, root_)) return {};
            return fileUrl_ + base + w;
        }
        if (Contains(link, u"://")) return {};
        if (StartsWith(link, u"#")) return {};
        return fileUrl_ + folder_ + link;
    }

    bool local_;
    const LinkOrigin& origin_;
    std::u16string home_, pageDir_;
    bool posix_ = false;
    std::u16string fileUrl_, folder_, root_;
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
