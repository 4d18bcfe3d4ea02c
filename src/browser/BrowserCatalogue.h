// The browsers the tool knows by name: their display names, the executable names that stand
// for them, and the rule that turns a chosen browser's executable into a catalogue number.
// No Qt here, so the rules can be checked on their own.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr int kBrowserCount = 7;
inline constexpr int kEdgeBrowserNo = 6;  // stored as the literal "Microsoft Edge"

// Display names by BrowserNo, as the start-up fills BrowserName.
inline constexpr std::array<std::u16string_view, kBrowserCount> kBrowserDisplayNames = {
    u"Mozilla Firefox", u"Internet Explorer", u"Google Chrome", u"Opera",
    u"Kinza",           u"Sleipnir",          u"Microsoft Edge"};

// Which system's programs the executable names are those of. A Windows path also splits at
// "\" and ":", a Linux path only at "/".
enum class ExeNaming { Windows, Linux };

#ifdef _WIN32
inline constexpr ExeNaming kNativeNaming = ExeNaming::Windows;
#else
inline constexpr ExeNaming kNativeNaming = ExeNaming::Linux;
#endif

// The executable names (lower case, without folder and extension) that stand for browser
// `no` (0..5); none for Edge, for numbers outside the catalogue, or for a browser that
// does not exist on that system.
std::span<const std::u16string_view> BrowserExeNames(int no, ExeNaming naming = kNativeNaming);

// The file name of `path` without its folder and without its last extension.
std::u16string ExeBaseName(std::u16string_view path, ExeNaming naming = kNativeNaming);

// SetBrowserNo: 0..5 for a known browser's executable, 6 for exactly "Microsoft Edge",
// -1 for anything else and for the empty name.
int BrowserNoOf(std::u16string_view BrowserExeName, ExeNaming naming = kNativeNaming);

// The chosen browser's name in captions and messages: the catalogue's display name for
// 0..6, else the executable's base name (empty for an empty BrowserExeName).
std::u16string BrowserDisplayName(int BrowserNo, std::u16string_view BrowserExeName,
                                  ExeNaming naming = kNativeNaming);

// The caption of the browser menu entry for a display name.
std::u16string BrowserMenuCaption(std::u16string_view displayName);

}  // namespace velmora
