#include "browser/BrowserCatalogue.h"

#include "base/Text.h"

namespace velmora {
namespace {

using Names = std::span<const std::u16string_view>;

// On Windows each browser has one program name.
constexpr std::u16string_view kWindowsNames[] = {u"firefox", u"iexplore", u"chrome",
                                                 u"opera",   u"kinza",    u"sleipnir"};

// On Linux the names are those of the launchers on PATH and of the programs they end in
// (what a running browser's process reports). Chromium shares Chrome's keys and tabs, so it
// counts as Chrome. Internet Explorer, Kinza and Sleipnir have no Linux programs.
constexpr std::u16string_view kLinuxFirefox[] = {u"firefox", u"firefox-esr", u"firefox-bin"};
constexpr std::u16string_view kLinuxChrome[] = {u"chrome",
                                                u"google-chrome",
                                                u"google-chrome-stable",
                                                u"google-chrome-beta",
                                                u"google-chrome-unstable",
                                                u"chromium",
                                                u"chromium-browser"};
constexpr std::u16string_view kLinuxOpera[] = {u"opera", u"opera-beta", u"opera-developer"};

bool IsSeparator(char16_t c, ExeNaming naming) {
    if (c == u'/') return true;
    return naming == ExeNaming::Windows && (c == u'\\' || c == u':');
}

}  // namespace

std::span<const std::u16string_view> BrowserExeNames(int no, ExeNaming naming) {
    if (no < 0 || no >= kEdgeBrowserNo) return {};
    if (naming == ExeNaming::Windows) return Names(&kWindowsNames[no], 1);
    switch (no) {
        case 0:
            return kLinuxFirefox;
        case 2:
            return kLinuxChrome;
        case 3:
            return kLinuxOpera;
        default:
            return {};
    }
}

std::u16string ExeBaseName(std::u16string_view path, ExeNaming naming) {
    size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1], naming))
        --start;
    std::u16string_view name = path.substr(start);
    // A leading dot starts a hidden name, not an extension.
    if (size_t dot = name.rfind(u'.'); dot != std::u16string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::u16string(name);
}

int BrowserNoOf(std::u16string_view BrowserExeName, ExeNaming naming) {
    if (BrowserExeName.empty()) return -1;
    if (BrowserExeName == kBrowserDisplayNames[kEdgeBrowserNo]) return kEdgeBrowserNo;
    const std::u16string name = LowerAscii(ExeBaseName(BrowserExeName, naming));
    for (int no = 0; no < kEdgeBrowserNo; ++no) {
        for (std::u16string_view known : BrowserExeNames(no, naming))
            if (name == known) return no;
    }
    return -1;
}

std::u16string BrowserDisplayName(int BrowserNo, std::u16string_view BrowserExeName,
                                  ExeNaming naming) {
    if (BrowserNo >= 0 && BrowserNo < kBrowserCount)
        return std::u16string(kBrowserDisplayNames[static_cast<size_t>(BrowserNo)]);
    return ExeBaseName(BrowserExeName, naming);
}

std::u16string BrowserMenuCaption(std::u16string_view displayName) {
    return u"ルビを表示(ひょうじ)するブラウザ:" + std::u16string(displayName) + u"(&B)";
}

}  // namespace velmora
