#include "pipeline/DownloadText.h"

#include "base/Text.h"
#include "pipeline/Download.h"

namespace velmora {

namespace {

// Where the authority of "scheme://user@host:port/path" lies: from after "://" to the path,
// query or fragment. False when the address has no "://".
bool FindAuthority(std::u16string_view url, size_t* begin, size_t* end) {
    const size_t marker = url.find(u"://");
    if (marker == std::u16string_view::npos) return false;
    *begin = marker + 3;
    *end = url.find_first_of(u"/?#", *begin);
    if (*end == std::u16string_view::npos) *end = url.size();
    return true;
}

}  // namespace

std::string ContentTypeCharset(std::string_view type) {
    const std::string lower = LowerAscii(type);
    size_t at = 0;
    while ((at = lower.find("charset", at)) != std::string::npos) {
        // A parameter name: after ";" and blanks.
        size_t before = at;
        while (before > 0 && (lower[before - 1] == ' ' || lower[before - 1] == '\t'))
            --before;
        size_t eq = at + 7;
        while (eq < lower.size() && (lower[eq] == ' ' || lower[eq] == '\t'))
            ++eq;
        if (before == 0 || lower[before - 1] != ';' || eq >= lower.size() || lower[eq] != '=') {
            at += 7;
            continue;
        }
        size_t begin = eq + 1;
        while (begin < lower.size() && (lower[begin] == ' ' || lower[begin] == '\t'))
            ++begin;
        size_t end = begin;
        if (begin < lower.size() && lower[begin] == '"') {
            end = lower.find('"', ++begin);
            if (end == std::string::npos) end = lower.size();
        } else {
            while (end < lower.size() && lower[end] != ';' && lower[end] != ' ' &&
                   lower[end] != '\t')
                ++end;
        }
        return lower.substr(begin, end - begin);
    }
    return {};
}

bool SplitUrl(std::u16string_view url, UrlParts* parts) {
    size_t start = 0, end = 0;
    if (!FindAuthority(url, &start, &end)) return false;
    const std::u16string scheme = LowerAscii(url.substr(0, start - 3));
    int defaultPort = 0;
    if (scheme == u"http") {
        defaultPort = 80;
    } else if (scheme == u"https") {
        defaultPort = 443;
    } else {
        return false;
    }
    std::u16string_view authority = url.substr(start, end - start);
    if (const size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::u16string_view host = authority, port;
    bool ipv6 = false;
    if (authority.starts_with(u'[')) {
        const size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) return false;
        host = authority.substr(1, close - 1);
        const std::u16string_view rest = authority.substr(close + 1);
        if (!rest.empty() && rest[0] != u':') return false;
        if (!rest.empty()) port = rest.substr(1);
        ipv6 = true;
    } else if (const size_t c = authority.rfind(u':'); c != std::u16string_view::npos) {
        host = authority.substr(0, c);
        port = authority.substr(c + 1);
    }
    if (host.empty()) return false;
    int number = defaultPort;
    if (!port.empty()) {
        number = 0;
        for (char16_t ch : port) {
            if (ch < u'0' || ch > u'9' || number > 65535) return false;
            number = number * 10 + (ch - u'0');
        }
        if (number < 1 || number > 65535) return false;
    }
    std::u16string_view rest = url.substr(end);
    rest = rest.substr(0, rest.find(u'#'));  // the fragment is not sent
    parts->scheme = scheme;
    parts->host = std::u16string(host);
    parts->port = number;
    parts->ipv6 = ipv6;
    parts->pathAndQuery =
        rest.starts_with(u'/') ? std::u16string(rest) : u"/" + std::u16string(rest);
    return true;
}

std::string Downloader::EncodeUrl(const std::u16string& url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = ToUtf8(url);
    // The host keeps its characters (the transport converts an international name itself);
    // the rest goes out with non-ASCII bytes, spaces and controls percent-encoded.
    size_t hostBegin = utf8.find("://");
    hostBegin = hostBegin == std::string::npos ? 0 : hostBegin + 3;
    size_t hostEnd = utf8.find_first_of("/?#", hostBegin);
    if (hostEnd == std::string::npos) {
        hostEnd = utf8.size();
    }
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool inHost = i >= hostBegin && i < hostEnd;
        if (c <= 0x20 || c == 0x7F || (c >= 0x80 && !inHost)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::u16string Downloader::StripUserInfo(const std::u16string& url) {
    size_t start = 0, end = 0;
    if (!FindAuthority(url, &start, &end)) return url;
    const size_t at = std::u16string_view(url).substr(start, end - start).rfind(u'@');
    if (at == std::u16string_view::npos) return url;
    return url.substr(0, start) + url.substr(start + at + 1);
}

}  // namespace velmora
