// What both download transports (libcurl, WinHTTP) do alike with the texts of a request.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// An http or https address split as a transport opens it.
struct UrlParts {
    std::u16string scheme;        // lower case: "https"
    std::u16string host;          // as written, without the brackets of an IPv6 address
    int port = 0;                 // the scheme's own port when the address names none
    std::u16string pathAndQuery;  // "/dir/page.html?q=1", without the fragment; "/" at least
    bool ipv6 = false;
};

// Splits `url` into its parts; false when it is no http or https address with a host, or
// its port is not a number from 1 to 65535. A user name and password are skipped.
bool SplitUrl(std::u16string_view url, UrlParts* parts);

// The charset parameter of a Content-Type value, lower case, without quotes; empty when
// there is none.
std::string ContentTypeCharset(std::string_view type);

}  // namespace velmora
