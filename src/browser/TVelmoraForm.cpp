#include "browser/TVelmoraForm.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "base/FileIO.h"
#include "base/Text.h"
#include "browser/BrowserCatalogue.h"
#include "browser/BrowserShower.h"
#include "browser/RubiPageShower.h"
#include "browser/RubiTitle.h"
#include "browser/RubiTriggers.h"
#include "browser/Startup.h"
#include "browser/TMessageBox.h"
#include "pipeline/Download.h"
#include "pipeline/RubiRequest.h"
#include "platform/VirtualKeys.h"
#include "ruby/MecabReading.h"
#include "settings/DicFile.h"

namespace velmora {
namespace {

// Whether the URL field's text names an address the request can take.
bool IsRubiAddress(const std::u16string& text) {
    const std::u16string head = LowerAscii(std::u16string_view(text).substr(0, 4));
    return head == u"http" || head == u"file";
}

std::u16string Quoted(const std::u16string& path) {
    return u"\"" + path + u"\"";
}

using Kind = TControl::Kind;

}  // namespace

// The window as the desktop logic sees it: the browser showing and the two triggers run
// on the window's controls, flags, message loop and clock.
class FormDesktop final : public ShowerHost, public TriggerHost, public UiLoop {
public:
    explicit FormDesktop(TVelmoraForm& f)
        : f_(f), flags_{f.IsStart,     f.Rubiing,   f.ClipBoardRubiing,
                        f.IsURLCopyed, f.NoForRubi, f.HotKey} {
        const TVelmoraDeps& d = f.deps_;
        if (d.windows && d.launcher && d.placement)
            shower = std::make_unique<BrowserShower>(
                ShowerServices{d.windows, d.launcher, d.placement, this}, *this);
        if (d.windows && d.placement && d.input && d.clipboard)
            triggers = std::make_unique<RubiTriggers>(
                TriggerServices{d.windows, d.placement, d.input, d.clipboard, this}, *this, flags_);
    }

    // ShowerHost
    WindowId MainWindow() override { return f_.view_ ? f_.view_->Handle() : 0; }
    int MainWindowWidth() override { return f_.view_ ? f_.view_->FrameWidth() : f_.ClientWidth; }
    void MoveMainWindow(int left, int top) override { f_.MoveMainWindow(left, top); }
    Rect WorkArea() override { return f_.WorkArea(); }
    bool NoMoveBrowser() override { return f_.PMenuNoMoveBrowser->Checked(); }
    std::u16string BrowserExeName() override { return f_.BrowserExeName; }
    void Message(const std::u16string& text) override { f_.deps_.messages->Info(text); }

    // TriggerHost
    void ShowBusy(const std::u16string& caption) override {
        f_.LblRubiing.SetText(caption);
        f_.LblRubiing.Show();
        f_.BtnRubi.Hide();
        f_.LblHelp.Hide();
    }
    void SetBusyCaption(const std::u16string& caption) override { f_.LblRubiing.SetText(caption); }
    void RestoreControls() override {
        f_.LblRubiing.Hide();
        f_.BtnRubi.Show();
        f_.LblHelp.Show();
    }
    std::u16string UrlText() override { return f_.LEURL.Text(); }
    void SetUrlText(const std::u16string& text) override { f_.LEURL.SetText(text); }
    void RunRubiRequest() override { f_.BtnRubiClick(); }
    int RubiHTMLCount() override { return f_.RubiHTMLCount; }
    void ShowNewestRubiPage() override {
        f_.ShowRubiPage(Quoted(RubiPagePath(f_.DataFolda, f_.RubiHTMLCount)));
    }
    bool CloseNoRubiTab() override { return f_.PMenuCloseNoRubiTab->Checked(); }

    // UiLoop
    void Pump() override { f_.ProcessMessages(); }
    void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    std::uint32_t Now() override {
        if (f_.deps_.clock) return f_.deps_.clock->timeGetTime();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }

    std::unique_ptr<BrowserShower> shower;
    std::unique_ptr<RubiTriggers> triggers;

private:
    TVelmoraForm& f_;
    TriggerFlags flags_;
};

TVelmoraForm::TVelmoraForm(TVelmoraDeps deps)
    : DL(std::make_unique<Downloader>()),
      FIsDLCancel(DL->FIsDLCancel),
      FDownLoadError(DL->FDownLoadError),
      IsDownLoading(DL->IsDownLoading),
      MS(DL->MS),
      LProtocol(DL->LProtocol),
      LHomeDirectory(DL->LHomeDirectory),
      LblURL(Kind::Label, "LblURL", {8, 3, 60, 16}),
      LEURL("LEURL", {8, 20, 273, 24}),
      ImgMenu(Kind::Image, "ImgMenu", {287, 8, 32, 32}),
      BtnRubi(Kind::Button, "BtnRubi", {8, 57, 137, 34}),
      ProgressBar1(Kind::ProgressBar, "ProgressBar1", {8, 57, 137, 17}),
      LblRubiing(Kind::Label, "LblRubiing", {8, 75, 137, 16}),
      BtnCancel(Kind::Button, "BtnCancel", {168, 57, 88, 34}),
      ComboBoxRubiTitle(Kind::ComboBox, "ComboBoxRubiTitle", {8, 104, 311, 24}),
      BtnHelp(Kind::Button, "BtnHelp", {8, 135, 311, 25}),
      PanelHelp(Kind::Panel, "PanelHelp", {8, 165, 311, 235}),
      LblHelp(Kind::Label, "LblHelp", {3, 2, 305, 231}, &PanelHelp),
      PopupMenu1("PopupMenu1"),
      deps_(std::move(deps)),
      desktop_(std::make_unique<FormDesktop>(*this)) {
    LblURL.SetText(u"URL:");
    LEURL.SetHint(u"URL");
    LEURL.OnChange = [this] { LEURLChange(); };
    LEURL.OnMouseEnter = [this] { LEURLMouseEnter(); };
    LEURL.OnKeyDown = [this](int key) { return LEURLKeyDown(key); };
    ImgMenu.SetHint(u"メニュー");
    ImgMenu.OnClick = [this] { ImgMenuClick(); };
    BtnRubi.SetText(u"ルビふり");
    BtnRubi.SetEnabled(false);
    BtnRubi.OnClick = [this] { BtnRubiClick(); };
    ProgressBar1.Hide();
    LblRubiing.SetText(u"ルビふりちゅう");
    LblRubiing.Hide();
    BtnCancel.SetText(u"キャンセル");
    BtnCancel.Hide();
    BtnCancel.OnClick = [this] { BtnCancelClick(); };
    ComboBoxRubiTitle.Add(u"以前(いぜん)のルビふり画面(がめん)", 0);
    ComboBoxRubiTitle.SetItemIndex(0);
    ComboBoxRubiTitle.SetEnabled(false);
    ComboBoxRubiTitle.OnSelect = [this](int index) { ComboBoxRubiTitleSelect(index); };
    ComboBoxRubiTitle.OnCloseUp = [this] { ComboBoxRubiTitleCloseUp(); };
    BtnHelp.SetText(u"使(つか)い方(かた)");
    BtnHelp.OnClick = [this] { BtnHelpClick(); };
    CreateSettingsCommands();
    BuildMenu();

    Timer1 = deps_.timer;
    if (Timer1) {
        Timer1->Stop();
        Timer1->SetInterval(1000);
        Timer1->SetOnTimer([this] { Timer1Timer(); });
    }

    // The worker reports from its own thread; its news is handled on this one.
    DL->SetNewsCallback([this] { Later([this] { DL->DeliverPending(Hooks()); }); });
}

TVelmoraForm::~TVelmoraForm() {
    // The worker is stopped and joined while the window can still take its news.
    DL->SetNewsCallback({});
    if (Timer1) Timer1->SetOnTimer({});
    DetachView();
}

void TVelmoraForm::BuildMenu() {
    // The entries, captions, radio groups and first ticks come from the menu's table.
    const TPopupMenu table;
    for (const TMenuEntry& row : table.Items()) {
        TMenuItem& parent = table.IsTopLevel(row.id) ? PopupMenu1 : Entry(row.parent);
        const std::string name = ToUtf8(row.name);
        TMenuItem& entry = row.kind == MenuKind::Separator ? parent.AddSeparator(name)
                                                           : parent.Add(name, row.caption);
        entry.GroupIndex = row.group;
        entry.AutoCheck = row.kind == MenuKind::Tick;
        entry.SetChecked(row.checked);
        MenuEntries[static_cast<size_t>(row.id)] = &entry;
        const MenuId id = row.id;
        if (row.kind == MenuKind::Tick) {
            // The entry has turned its tick over already; the command decides whether it
            // stays so.
            entry.OnClick = [this, &entry, id] {
                entry.SetChecked(!entry.Checked());
                commands_->Click(id);
            };
        } else if (row.kind == MenuKind::Radio) {
            // The entry has ticked itself; the tick goes back to the setting in effect
            // until the command has changed it.
            entry.OnClick = [this, id] {
                ShowRadioSettings();
                commands_->Click(id);
            };
        } else if (row.kind == MenuKind::Command) {
            entry.OnClick = [this, id] { commands_->Click(id); };
        }
    }
    for (int i = 0; i < 7; ++i)
        MenuExceptRubi[static_cast<size_t>(i)] = &Entry(TPopupMenu::ExceptRubi(i));
    PMenuBrowser = &Entry(MenuId::PMenuBrowser);
    PMenuRubiLevel = &Entry(MenuId::PMenuRubiLevel);
    PMenuSetDic = &Entry(MenuId::PMenuSetDic);
    PMenuHotKey = &Entry(MenuId::PMenuHotKey);
    PMenuCloseNoRubiTab = &Entry(MenuId::PMenuCloseNoRubiTab);
    PMenuNoMoveBrowser = &Entry(MenuId::PMenuNoMoveBrowser);
    PMenuDeleteFile = &Entry(MenuId::PMenuDeleteFile);
    PMenuHelp = &Entry(MenuId::PMenuHelp);
    PMenuVersion = &Entry(MenuId::PMenuVersion);
}

std::vector<TControl*> TVelmoraForm::Controls() {
    std::vector<TControl*> all = {&LblURL,       &LEURL,      &ImgMenu,   &BtnRubi,
                                  &ProgressBar1, &LblRubiing, &BtnCancel, &ComboBoxRubiTitle,
                                  &BtnHelp,      &PanelHelp,  &LblHelp,   &PopupMenu1};
    // The menu's entries, each after its menu.
    for (size_t i = all.size() - 1; i < all.size(); ++i) {
        if (all[i]->kind() != Kind::MenuItem) continue;
        for (const auto& entry : static_cast<TMenuItem*>(all[i])->Items())
            all.push_back(entry.get());
    }
    return all;
}

void TVelmoraForm::AttachView(TVelmoraView& view) {
    view_ = &view;
    for (TControl* control : Controls()) {
        control->AttachView(view_);
        view_->ControlChanged(*control);
    }
    view_->SetClientHeight(ClientHeight);
}

void TVelmoraForm::DetachView() {
    for (TControl* control : Controls())
        control->AttachView(nullptr);
    view_ = nullptr;
}

void TVelmoraForm::SetClientHeight(int height) {
    ClientHeight = height;
    if (view_) view_->SetClientHeight(height);
}
int TVelmoraForm::CollapsedHeight() const {
    return BtnHelp.Bounds().Bottom() + 3;
}
int TVelmoraForm::ExpandedHeight() const {
    return PanelHelp.Bounds().Bottom() + 5;
}

IniFile TVelmoraForm::Config() const {
    return IniFile(ConfigPath(DataFolda));
}

void TVelmoraForm::ProcessMessages() {
    if (deps_.pump) deps_.pump->ProcessMessages();
}

void TVelmoraForm::Later(std::function<void()> task) {
    if (!deps_.pump) return;
    deps_.pump->Post([alive = std::weak_ptr<int>(alive_), task = std::move(task)] {
        if (alive.lock()) task();
    });
}

JobHooks TVelmoraForm::Hooks() {
    JobHooks hooks;
    hooks.pump = [this] { ProcessMessages(); };
    hooks.stillWanted = [this] { return Rubiing; };
    hooks.progress = [this](int line) { ProgressBar1.SetPosition(line); };
    hooks.status = [this](const std::u16string& text) { LblRubiing.SetText(text); };
    // Once the window has closed, a request on its way out tells nobody anything.
    hooks.message = [this](const std::u16string& text) {
        if (!closed_) deps_.messages->Info(text);
    };
    return hooks;
}

// ---- Start-up and shutdown ----

bool TVelmoraForm::FormCreate() {
    IsStart = true;
    ProcessMessages();

    // The ruby key is seen in every program, and the tool types into the browser: without
    // either the tool cannot work.
    if (deps_.keyHook || deps_.input) {
        std::string why;
        const bool typing = !deps_.input || deps_.input->Available(&why);
        if (!typing || !deps_.keyHook ||
            !deps_.keyHook->Start(
                [this](int key, bool released) {
                    HotKeyMessage(key, released ? kKeyReleased : 0u);
                },
                &why)) {
            StartupFailure = why;
            deps_.messages->Info(u"初期設定に失敗しました。終了します。");
            return false;
        }
    }

    Folda = deps_.folders->ProgramFolder();
    DataFolda = deps_.folders->Documents() + u"/Quorrin/VelmoraData";
    std::error_code ec;
    std::filesystem::create_directories(PathFromText(DataFolda), ec);
    IsVista = true;

    const std::string missing = MissingTlsLibrary(deps_.tlsVersion ? deps_.tlsVersion() : nullptr);
    if (!missing.empty()) {
        deps_.messages->Info(TlsMissingMessage(missing));
        return false;
    }
    // Without its dictionary no page could get a reading: say which package brings it.
    if (std::string reason; deps_.readingAvailable && !deps_.readingAvailable(&reason)) {
        deps_.messages->Info(ReadingMissingMessage(MecabDictionary()));
        return false;
    }

    for (size_t i = 0; i < BrowserName.size(); ++i)
        BrowserName[i] = kBrowserDisplayNames[i];
    SetClientHeight(CollapsedHeight());

    LoadSettings();

    std::u16string error;
    if (!LoadDictionary(DictionaryPath(DataFolda), Dic, &error)) deps_.messages->Error(error);
    return true;
}

void TVelmoraForm::LoadSettings() {
    IniFile ini = Config();
    ConfigLoad load = LoadConfig(ini, deps_.defaultBrowser);
    if (load.alt.repaired) deps_.messages->Info(load.alt.message);
    for (const auto& error : load.writeErrors)
        deps_.messages->Error(error);

    // The store keeps the level within 0..6; the filter must never see anything else.
    ExceptRubiLevel = std::clamp(load.config.ExceptRubiLevel, 0, 6);
    MenuExceptRubi[static_cast<size_t>(ExceptRubiLevel)]->SetChecked(true);
    BrowserExeName = load.config.BrowserExeName;
    RubiStyle = load.config.RubiStyle;
    HotKey = load.config.HotKey;
    PMenuHotKey->SetText(u"ルビふりキー:[" + load.config.HotKeyName + u"](&K)");
    PMenuDeleteFile->SetChecked(load.config.DeleteFile);
    PMenuCloseNoRubiTab->SetChecked(load.config.CloseNoRubiTab);
    PMenuNoMoveBrowser->SetChecked(load.config.NoMoveBrowser);
    Entry(TPopupMenu::RubiStyle(RubiStyle == RubyStyle::RubyTags ? 1 : 0)).SetChecked(true);

    SetBrowserNo();
    PMenuBrowser->SetText(BrowserMenuCaption(BrowserDisplayName()));
    if (BrowserNo == kEdgeBrowserNo) {
        deps_.messages->Show(
            u"Microsoft Edge ではルビを振(ふ)った画面(がめん)を"
            u"表示(ひょうじ)できません。\rルビを表示(ひょうじ)する"
            u"ブラウザを変更(へんこう)してください。",
            TMessageBox::Question);
    }
    SetHelpText(load.config.HotKeyName);
}

void TVelmoraForm::SetBrowserNo() {
    BrowserNo = BrowserNoOf(BrowserExeName);
}

std::u16string TVelmoraForm::BrowserDisplayName() const {
    if (BrowserNo >= 0 && BrowserNo < kBrowserCount)
        return BrowserName[static_cast<size_t>(BrowserNo)];
    return velmora::BrowserDisplayName(BrowserNo, BrowserExeName);
}

void TVelmoraForm::SetHelpText(std::u16string name) {
    commands_->SetHelpText(std::move(name));
}

void TVelmoraForm::FormShow() {
    if (!IsStart) return;
    if (!BrowserExeName.empty()) {
        ShowRubiPage(u"");
        ProcessMessages();
    } else {
        deps_.messages->Info(u"表示(ひょうじ)するブラウザを指定(してい)してください。");
    }
    IsStart = false;
    if (deps_.startEnded) deps_.startEnded();
}

bool TVelmoraForm::FormCloseQuery() {
    // Ends a download in any stage, so the request unwinds and the process can end.
    DL->BtnCancelClick();
    // A request still annotating stops too, so it writes no page after the clean-up.
    Rubiing = false;
    if (PMenuDeleteFile->Checked()) {
        for (int i = 1; i <= RubiHTMLCount; ++i) {
            const auto path = PathFromText(RubiPagePath(DataFolda, i));
            std::error_code ec;
            if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) continue;
            if (!std::filesystem::remove(path, ec) || ec) {
                deps_.messages->Error(PathText(path) + u"\n" + FromUtf8(ec.message()));
                return false;
            }
        }
    }
    closed_ = true;
    return true;
}

void TVelmoraForm::FormDestroy() {
    if (deps_.keyHook) deps_.keyHook->Stop();
}

// ---- The request ----

Rect TVelmoraForm::WorkArea() {
    Rect area;
    if (deps_.placement && deps_.placement->WorkArea(area)) return area;
    if (view_ && view_->ScreenWorkArea(area)) return area;
    return {0, 0, 1024, 768};
}

void TVelmoraForm::MoveMainWindow(int left, int top) {
    if (deps_.placement && view_ && deps_.placement->Move(view_->Handle(), left, top)) return;
    if (view_) view_->MoveWindow(left, top);
}

void TVelmoraForm::SetTopmost(bool on) {
    if (deps_.placement && view_ && deps_.placement->SetTopmost(view_->Handle(), on)) return;
    if (view_) view_->SetStayOnTop(on);
}

void TVelmoraForm::BtnRubiClick() {
    // Not while one runs, nor while a cancelled one is still unwinding: a request started
    // from inside another's message handling would share its download.
    if (Rubiing || requestRunning_) return;
    const std::u16string url = LEURL.Text();
    if (RubiHTMLCount > 0 && IsOwnRubiPage(url, DataFolda, RubiHTMLCount)) {
        deps_.messages->Info(u"すでにルビがふられています。");
        LblRubiing.Hide();
        LblHelp.Show();
        BtnRubi.Show();
        BtnRubi.SetEnabled(false);
        return;
    }

    Rubiing = true;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(requestRunning_);
    if (view_) view_->RestoreAndRaise();
    const Rect area = WorkArea();
    MoveMainWindow(area.left, area.top);
    SetTopmost(true);
    BtnRubi.Hide();
    LblHelp.Hide();
    BtnCancel.Show();
    LblRubiing.Show();
    ProcessMessages();

    RubiRequestEnv env;
    env.DataFolda = DataFolda;
    env.RubiHTMLCount = &RubiHTMLCount;
    env.ExceptRubiLevel = &ExceptRubiLevel;
    env.dic = &Dic;
    env.style = RubiStyle;
    env.reading = deps_.reading;
    env.downloader = DL.get();
    env.hooks = Hooks();
    env.annotating = [this](int lines) {
        ProgressBar1.SetMax(std::max(lines, 1));
        ProgressBar1.SetPosition(0);
        ProgressBar1.Show();
        if (Timer1) Timer1->Start();
    };

    RubiResult result;
    try {
        result = RunRubiRequest(url, env);
    } catch (const std::exception& e) {
        result.outcome = RubiOutcome::Error;
        result.errorText = FromUtf8(e.what());
    }

    if (result.outcome == RubiOutcome::Written) {
        ProcessMessages();
        const Rect again = WorkArea();
        MoveMainWindow(again.left, again.top);
        SetTopmost(false);
        const int number = RubiHTMLCount;
        if (closed_) {
            // The window closed while the page was being written: it goes the way of the
            // run's other pages.
            if (PMenuDeleteFile->Checked()) {
                std::error_code ec;
                std::filesystem::remove(PathFromText(result.pagePath), ec);
            }
        } else {
            ShowRubiPage(Quoted(result.pagePath));
            ProcessMessages();
            AddRubiTitle(number, result.RubiSL);
        }
    }
    EndRequest();
    if (result.outcome == RubiOutcome::Error && !closed_) deps_.messages->Error(result.errorText);
}

void TVelmoraForm::EndRequest() {
    Rubiing = false;
    RubiSL.clear();
    ProgressBar1.Hide();
    LblRubiing.Hide();
    BtnCancel.Hide();
    BtnRubi.SetText(u"ルビふりおわり");
    BtnRubi.Show();
    BtnRubi.SetEnabled(false);
    LblHelp.Show();
    if (Timer1) Timer1->Stop();

    const Rect area = WorkArea();
    const int width = view_ ? view_->FrameWidth() : ClientWidth;
    int left = area.left;
    Rect browser;
    if (BrowserHWND != 0 && deps_.placement && deps_.placement->WindowRect(BrowserHWND, browser) &&
        browser.left >= area.left + width)
        left = browser.left - width;
    MoveMainWindow(left, area.top);
    SetTopmost(false);
}

void TVelmoraForm::BtnCancelClick() {
    DL->BtnCancelClick();
    Rubiing = false;
}

void TVelmoraForm::ShowRubiPage(const std::u16string& quotedPath) {
    if (deps_.shower)
        BrowserHWND = deps_.shower->ShowRubiPage(quotedPath, IsStart);
    else if (desktop_->shower)
        BrowserHWND = desktop_->shower->ShowRubiPage(quotedPath, IsStart);
}

void TVelmoraForm::HotKeyMessage(int key, std::uint32_t flags) {
    if (desktop_->triggers) desktop_->triggers->HotKeyMessage(key, flags);
}

void TVelmoraForm::WMDrawClipboard() {
    if (desktop_->triggers) desktop_->triggers->WMDrawClipboard();
}

void TVelmoraForm::CloseBrowserTab() {
    if (desktop_->triggers) desktop_->triggers->CloseBrowserTab();
}

void TVelmoraForm::Timer1Timer() {
    if (Rubiing) {
        BtnRubi.SetEnabled(false);
        TimeCount = TimeCount % 5 + 1;
        LblRubiing.SetText(u"ルビふりちゅう" +
                           std::u16string(static_cast<size_t>(TimeCount), u'.'));
        return;
    }
    if (GetBrowserStartTime != 0 || SetHotKeyStartTime != 0)
        commands_->Timer1Timer();
    else if (Timer1)
        Timer1->Stop();
}

// ---- URL field ----

void TVelmoraForm::LEURLChange() {
    if (IsRubiAddress(LEURL.Text())) {
        BtnRubi.SetText(u"ルビふり");
        BtnRubi.SetEnabled(true);
    }
}

void TVelmoraForm::LEURLMouseEnter() {
    LEURL.SetHint(LEURL.Text());
}

bool TVelmoraForm::LEURLKeyDown(int key) {
    return commands_->LEURLKeyDown(key);
}

void TVelmoraForm::DropURLTarget1Drop(const std::u16string& url) {
    if (Rubiing) return;
    LEURL.SetText(url);
    // Run after the drop has been answered, so the drag source is not kept waiting.
    Later([this] {
        if (!Rubiing) BtnRubiClick();
    });
}

// ---- History ----

void TVelmoraForm::AddRubiTitle(int number, const std::vector<std::u16string>& lines) {
    const int limit = ComboBoxRubiTitle.Bounds().Width - 10;
    const std::u16string entry = RubiTitleEntry(lines, number, [&](const std::u16string& t) {
        return !view_ || view_->TextWidth(ComboBoxRubiTitle, t) <= limit;
    });
    ComboBoxRubiTitle.Add(entry, number);
    ComboBoxRubiTitle.SetEnabled(true);
}

void TVelmoraForm::ComboBoxRubiTitleSelect(int index) {
    if (index <= 0 || index >= ComboBoxRubiTitle.Count()) return;
    const int number = ComboBoxRubiTitle.Items()[static_cast<size_t>(index)].data;
    ShowRubiPage(Quoted(RubiPagePath(DataFolda, number)));
    ComboBoxRubiTitle.SetItemIndex(0);
}

void TVelmoraForm::ComboBoxRubiTitleCloseUp() {
    if (view_) view_->SetFocus(LEURL);
}

// ---- Menu ----

void TVelmoraForm::ImgMenuClick() {
    commands_->ImgMenuClick();
}

void TVelmoraForm::BtnHelpClick() {
    commands_->BtnHelpClick();
}

void TVelmoraForm::PMenuExceptRubiClick(int level) {
    commands_->PMenuExceptRubiClick(level);
}

}  // namespace velmora
