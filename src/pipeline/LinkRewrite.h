// Link rewriting: a ruby page is opened from the data folder, so the relative href,
// background and src values of the page are turned into absolute links back to where the
// page came from (its web site, or the folder of the local file it was read from).
// Plain text matching on the lines; only double-quoted values are touched.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ruby/Hooks.h"

namespace velmora {

// Where a page came from. For a downloaded page LProtocol ("https:") and LHomeDirectory
// ("https://host/") are those of the last successful download.
struct LinkOrigin {
    std::u16string pageUrl;
    std::u16string LProtocol;
    std::u16string LHomeDirectory;
};

// Rewrites every line of RubiSL: href values, then background, then src, letting the user
// interface handle its messages after each pass. `filePath` is the local path of a page
// read from a file (C:/dir/page.html or /dir/page.html), empty for a downloaded page.
// Every line also loses its leading and trailing characters up to U+0020.
void RewriteLinks(std::vector<std::u16string>& RubiSL, const std::u16string& filePath,
                  const LinkOrigin& origin, const JobHooks& hooks);

// One pass over all lines for the four spellings of one attribute, such as
// href=" / href =" / href= " / href = ". The first spelling found anywhere in the rest of a
// line wins, in this order.
void RewriteLinkAttribute(std::vector<std::u16string>& RubiSL, const std::u16string (&patterns)[4],
                          const std::u16string& filePath, const LinkOrigin& origin);

// Target of a link of a downloaded page: the value resolved against the page's address
// (without its user name and password) as a browser resolves it. The link is the value
// with its closing double quote; so is the target. Empty: leave the link as it is, which a
// link with a scheme of its own, a place in the same page ("#top", "") and a page without
// a usable address get.
std::u16string ResolveLink(const std::u16string& link, const LinkOrigin& origin);

// Target of a link of a page read from the local file `filePath`: the value resolved
// against the file's URL, as a file URL. A link to another host ("//cdn/x.js") is left as
// it is: in the ruby page it reaches what it reached in the file.
// Empty: leave the link as it is.
std::u16string ResolveLocalLink(const std::u16string& link, const std::u16string& filePath);

// The folder of a path or URL: the text before its last "/" or "\". A drive root keeps its
// separator (dir of C:/x is C:/), and so does the root of an absolute path (dir of /x is
// /); a root alone and a text without a separator give an empty text. A URL's scheme is not
// special: dir of https://host is https:/.
std::u16string Dir(std::u16string_view x);

}  // namespace velmora
