// The main window's settings commands: the pop-up menu's entries, the browser and ruby-key
// captures and the usage text. Their rules live in TMenuCommands; the window lends it its
// fields, controls and services here.
#include "base/Text.h"
#include "browser/TMessageBox.h"
#include "browser/TVelmoraForm.h"
#include "settings/MenuCommands.h"

namespace velmora {

class TVelmoraForm::SettingsHost final : public MenuHost {
public:
    explicit SettingsHost(TVelmoraForm& form) : f_(form) {}

    std::u16string URLText() override { return f_.LEURL.Text(); }
    void SetURLText(const std::u16string& text) override { f_.LEURL.SetText(text); }
    void FocusURL() override {
        if (f_.view_) f_.view_->SetFocus(f_.LEURL);
    }
    void SetHelpLabel(const std::u16string& text) override {
        f_.LblHelp.SetText(ReplaceAll(text, u"\r\n", u"\n"));
    }
    int ClientHeight() override { return f_.ClientHeight; }
    void SetClientHeight(int height) override { f_.SetClientHeight(height); }
    int CollapsedHeight() override { return f_.CollapsedHeight(); }
    int ExpandedHeight() override { return f_.ExpandedHeight(); }
    void PopupAtCursor() override {
        if (f_.view_) f_.view_->Popup(f_.PopupMenu1, f_.ImgMenu);
    }
    bool Checked(MenuId id) override { return f_.Entry(id).Checked(); }
    void SetChecked(MenuId id, bool on) override { f_.Entry(id).SetChecked(on); }
    void SetCaption(MenuId id, const std::u16string& caption) override {
        f_.Entry(id).SetText(caption);
    }
    void BtnRubiClick() override { f_.BtnRubiClick(); }
    void Pump() override { f_.ProcessMessages(); }
    void Timer1Start() override {
        if (f_.Timer1) f_.Timer1->Start();
    }
    void Timer1Stop() override {
        if (f_.Timer1) f_.Timer1->Stop();
    }
    std::uint32_t timeGetTime() override {
        return f_.deps_.clock ? f_.deps_.clock->timeGetTime() : 0;
    }
    void Info(const std::u16string& text) override { f_.deps_.messages->Info(text); }
    BoxAnswer Question(const std::u16string& text, bool yesNoCancel) override {
        const unsigned buttons = yesNoCancel
                                     ? TMessageBox::Yes | TMessageBox::No | TMessageBox::Cancel
                                     : TMessageBox::Ok;
        switch (f_.deps_.messages->Show(text, TMessageBox::Question, buttons)) {
            case TMessageBox::Yes:
                return BoxAnswer::Yes;
            case TMessageBox::No:
                return BoxAnswer::No;
            case TMessageBox::Ok:
                return BoxAnswer::Ok;
            default:
                return BoxAnswer::Cancel;
        }
    }
    void Error(const std::u16string& text) override { f_.deps_.messages->Error(text); }
    void SetBrowserNo() override { f_.SetBrowserNo(); }
    std::u16string BrowserDisplayName() override { return f_.BrowserDisplayName(); }
    WindowId MainWindow() override { return f_.view_ ? f_.view_->Handle() : 0; }
    void BringToFront() override {
        if (f_.view_) f_.view_->RestoreAndRaise();
    }
    void OpenHelpPage(const std::u16string& exe, const std::u16string& page) override {
        if (f_.deps_.openHelpPage) f_.deps_.openHelpPage(exe, page);
    }
    void ShowDicForm() override {
        if (f_.deps_.showDicForm) f_.deps_.showDicForm();
    }
    void ShowVersionForm() override {
        if (f_.deps_.showVersionForm) f_.deps_.showVersionForm();
    }

private:
    TVelmoraForm& f_;
};

// Without desktop services no window is ever in front: a browser capture times out.
class TVelmoraForm::NoDesktop final : public CaptureDesktop {
public:
    WindowId Foreground() override { return 0; }
    WindowId Owner(WindowId) override { return 0; }
    bool IsVisible(WindowId) override { return false; }
    std::u16string Title(WindowId) override { return {}; }
    std::u16string ExePath(WindowId) override { return {}; }
    std::u16string KeyName(int) override { return {}; }
};

void TVelmoraForm::CreateSettingsCommands() {
    settingsHost_ = std::make_unique<SettingsHost>(*this);
    CaptureDesktop* desktop = deps_.desktop;
    if (!desktop) {
        noDesktop_ = std::make_unique<NoDesktop>();
        desktop = noDesktop_.get();
    }
    commands_ = std::make_unique<TMenuCommands>(*this, *settingsHost_, *desktop);
}

void TVelmoraForm::ShowRadioSettings() {
    for (int i = 0; i < 7; ++i)
        Entry(TPopupMenu::ExceptRubi(i)).SetChecked(i == ExceptRubiLevel);
    Entry(TPopupMenu::RubiStyle(RubiStyle == RubyStyle::RubyTags ? 1 : 0)).SetChecked(true);
}

void TVelmoraForm::PMenuRubiStyleClick(int style) {
    commands_->PMenuRubiStyleClick(style);
}
void TVelmoraForm::PMenuBrowserClick() {
    commands_->PMenuBrowserClick();
}
void TVelmoraForm::PMenuHotKeyClick() {
    commands_->PMenuHotKeyClick();
}
void TVelmoraForm::PMenuSetDicClick() {
    commands_->PMenuSetDicClick();
}
void TVelmoraForm::PMenuVersionClick() {
    commands_->PMenuVersionClick();
}
void TVelmoraForm::PMenuHelpClick() {
    commands_->PMenuHelpClick();
}

}  // namespace velmora
