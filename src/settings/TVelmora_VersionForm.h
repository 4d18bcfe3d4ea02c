// The about box, which also serves as the splash while the tool starts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velmora {

class TVelmora_VersionFormView {
public:
    virtual ~TVelmora_VersionFormView() = default;
    virtual void SetCaption(const std::u16string& text) = 0;
    virtual void SetStartingVisible(bool on) = 0;
    // The link's background: lit (red) while the mouse is over it, else lime.
    virtual void SetURLLit(bool on) = 0;
    virtual void ShowModeless() = 0;
    virtual void ShowModal() = 0;
    virtual void Close() = 0;
    virtual bool IsVisible() const = 0;
    // A plain message.
    virtual void Message(const std::u16string& text) = 0;
};

struct TVelmora_VersionFormDeps {
    // Opens an address with the desktop's handler; false when it could not.
    std::function<bool(const std::u16string&)> openURL;
};

class TVelmora_VersionForm {
public:
    TVelmora_VersionForm(TVelmora_VersionFormView& view, TVelmora_VersionFormDeps deps);

    // At program start: shown at once, without waiting, while the main window starts.
    void FormCreate(bool IsStart);
    // The main window has been shown for the first time.
    void EndStart();
    // The about command of the menu.
    void ShowAbout();
    void FormMouseMove();
    void LblURLMouseEnter();
    void LblURLClick();

    bool URLLit = false;

private:
    void SetURLLit(bool on);

    TVelmora_VersionFormView& view_;
    TVelmora_VersionFormDeps deps_;
};

// The texts of the box.
inline constexpr std::u16string_view kVersionCaption = u"ヴェルモラについて";
inline constexpr std::u16string_view kStartingCaption = u"ヴェルモラ";
inline constexpr std::u16string_view kProductName = u"ヴェルモラ";
inline constexpr std::u16string_view kStartingText = u"起動中...";
inline constexpr std::u16string_view kSiteFailed = u"作者サイトへの接続に失敗しました。";
// "Ver " and the version the build was made from, then a blank.
std::u16string VersionText();
std::u16string CopyrightText();
std::u16string SiteURL();

}  // namespace velmora
