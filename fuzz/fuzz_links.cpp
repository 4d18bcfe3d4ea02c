// Link rewriting on arbitrary page lines, for a downloaded page and for local files in
// both path forms. The first byte picks the origin; the rest are UTF-16 code units, one
// line per U+000A.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pipeline/LinkRewrite.h"

namespace {

const velmora::LinkOrigin kOrigins[] = {
    {u"https://host/dir/page.html", u"https:", u"https://host/"},
    {u"https://host", u"https:", u"https://host/"},
    {u"http://Host:8080/a/b/c/", u"http:", u"http://host/"},
    {u"", u"", u""},
};
const std::u16string kFiles[] = {u"",           u"C:/site/sub/page.html", u"/site/sub/page.html",
                                 u"/page.html", u"C:/page.html",          u"C:\\site\\page.html"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const unsigned pick = data[0];
    const auto& origin = kOrigins[pick % std::size(kOrigins)];
    const auto& file = kFiles[(pick / std::size(kOrigins)) % std::size(kFiles)];

    std::vector<std::u16string> lines(1);
    for (size_t i = 1; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == u'\n') {
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }

    std::vector<std::u16string> once = lines;
    velmora::RewriteLinks(once, file, origin, velmora::JobHooks{});
    if (once.size() != lines.size()) std::abort();
    for (size_t i = 0; i < lines.size(); ++i) {
        // Without a double quote there is no value to rewrite: the line is only trimmed.
        const std::u16string& in = lines[i];
        if (in.find(u'"') != std::u16string::npos) continue;
        size_t b = 0;
        size_t e = in.size();
        while (b < e && in[b] <= u' ')
            ++b;
        while (e > b && in[e - 1] <= u' ')
            --e;
        if (once[i] != in.substr(b, e - b)) std::abort();
    }
    return 0;
}
