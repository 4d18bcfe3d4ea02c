// What both download transports (libcurl, WinHTTP) do alike with the texts of a request.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The charset parameter of a Content-Type value, lower case, without quotes; empty when
// there is none.
std::string ContentTypeCharset(std::string_view type);

}  // namespace velmora
