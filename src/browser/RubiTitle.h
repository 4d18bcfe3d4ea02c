// The history entry of a written ruby page: its title, shortened to the list's width.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora {

// Longest title taken when the closing title tag is not on the same line.
inline constexpr size_t kTitleCut = 25;

// The title element's text of the page: from the first line holding "<title>" (any case),
// up to "</title>" on that line, or at most kTitleCut characters after the tag; when the
// tag ends its line unclosed, the next line up to its "</title>" or its first kTitleCut
// characters. Empty when the page has no usable title (an empty element among them).
std::u16string FindRubiTitle(const std::vector<std::u16string>& lines);

// The entry text for page `number`: the title, shortened by whole characters while `fits`
// says no and then followed by "...", or "Rubi" + number without a title.
std::u16string RubiTitleEntry(const std::vector<std::u16string>& lines, int number,
                              const std::function<bool(const std::u16string&)>& fits);

}  // namespace velmora
