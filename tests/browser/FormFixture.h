// The main window's logic on fake desktop services, a fake view, fake message boxes, a
// hand-driven timer, clock and message loop, with its data folder in a temporary home. No
// toolkit and no display.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "base/Text.h"
#include "browser/RubiPageShower.h"
#include "browser/TMessageBox.h"
#include "browser/TVelmoraForm.h"
#include "platform/fake/FakePlatform.h"
#include "ruby/FakeReading.h"
#include "settings/IniFile.h"

namespace velmora {

// Every box is recorded and answered at once.
class FakeMessageBox final : public TMessageBox {
public:
    struct Shown {
        std::u16string text;
        Icon icon;
    };
    std::vector<Shown> history;
    Button answer = Ok;

    Button Show(const std::u16string& text, Icon icon, unsigned) override {
        history.push_back({text, icon});
        return answer;
    }
    std::vector<std::u16string> Texts() const {
        std::vector<std::u16string> texts;
        for (const auto& shown : history)
            texts.push_back(shown.text);
        return texts;
    }
    void Clear() { history.clear(); }
};

// A window that shows nothing: it records what it was told.
class FakeVelmoraView final : public TVelmoraView {
public:
    WindowId handle = 0x4a0001;
    int clientHeight = 0;
    int frameWidth = 337;
    bool shown = false;
    int raised = 0;
    bool stayOnTop = false;
    Rect screen{0, 0, 1024, 740};
    std::vector<std::pair<int, int>> moves;  // when the desktop services could not move it
    const TControl* focused = nullptr;
    std::vector<std::string> popups;
    std::map<std::string, int> changes;  // per control name

    void ControlChanged(const TControl& control) override { ++changes[control.Name()]; }
    WindowId Handle() override { return handle; }
    void SetClientHeight(int height) override { clientHeight = height; }
    int FrameWidth() const override { return frameWidth; }
    void RestoreAndRaise() override {
        shown = true;
        ++raised;
    }
    bool ScreenWorkArea(Rect& area) override {
        area = screen;
        return true;
    }
    void MoveWindow(int left, int top) override { moves.emplace_back(left, top); }
    void SetStayOnTop(bool on) override { stayOnTop = on; }
    void SetFocus(const TControl& control) override { focused = &control; }
    void Popup(const TMenuItem& menu, const TControl& at) override {
        popups.push_back(menu.Name() + "@" + at.Name());
    }
    // Every code unit 8 pixels wide.
    int TextWidth(const TControl&, const std::u16string& text) override {
        return static_cast<int>(text.size()) * 8;
    }
};

// The scripted readings, with a probe that runs once at the first reading: the moment the
// request is annotating.
class ProbeReading final : public ReadingService {
public:
    ProbeReading(FakeReadingScript& script, std::function<void()>& probe)
        : inner_(script), probe_(probe) {}
    bool Open() override { return inner_.Open(); }
    bool GetPhonetic(std::u16string_view text, std::u16string& reading) override {
        if (probe_) {
            auto probe = std::move(probe_);
            probe_ = nullptr;
            probe();
        }
        return inner_.GetPhonetic(text, reading);
    }

private:
    FakeReading inner_;
    std::function<void()>& probe_;
};

// A folder removed with everything in it at the end of the test.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-form-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

struct FormFixture {
    TempDir tmp;
    FakeFolders folders;
    FakeWindowPlacement placement;
    FakeDefaultBrowser defaultBrowser;
    RecordingPageShower shower;
    FakeReadingScript script;
    FakeMessageBox messages;
    FakeTimer timer;
    FakeClock clock;
    FakeEventPump pump;
    FakeVelmoraView view;
    std::function<void()> onFirstReading;
    const char* tls = "OpenSSL/3.0.11";
    bool readingAvailable = true;
    std::unique_ptr<TVelmoraForm> form;
    // More services for the window, set before Start.
    std::function<void(TVelmoraDeps&)> extra;

    explicit FormFixture(const std::string& documents = "Documents") {
        folders.documents = (tmp.path / documents).u16string();
        script.chars = {{u'漢', u"かん"}, {u'字', u"じ"}, {u'本', u"ほん"},
                        {u'日', u"に"},   {u'読', u"よ"}, {u'書', u"か"}};
    }

    std::filesystem::path Data() const {
        return std::filesystem::path(folders.documents) / "Quorrin" / "VelmoraData";
    }
    std::filesystem::path Page(int n) const {
        return Data() / ("Rubi" + std::to_string(n) + ".html");
    }

    void WriteConfig(const std::string& text) {
        std::filesystem::create_directories(Data());
        test::WriteAll(Data() / "Config.ini", text);
    }

    // Creates the window with its view and runs its start-up; with `show`, the first show
    // follows as the view reports it.
    bool Start(bool show = true) {
        TVelmoraDeps deps;
        deps.folders = &folders;
        deps.placement = &placement;
        deps.shower = &shower;
        deps.messages = &messages;
        deps.timer = &timer;
        deps.clock = &clock;
        deps.pump = &pump;
        deps.tlsVersion = [this] { return tls; };
        deps.readingAvailable = [this](std::string*) { return readingAvailable; };
        deps.defaultBrowser = [this] { return defaultBrowser.Find(); };
        deps.reading = [this]() -> std::unique_ptr<ReadingService> {
            return std::make_unique<ProbeReading>(script, onFirstReading);
        };
        if (extra) extra(deps);
        form = std::make_unique<TVelmoraForm>(std::move(deps));
        form->AttachView(view);
        if (!form->FormCreate()) return false;
        if (show) {
            view.shown = true;
            form->FormShow();
            return !form->IsStart;
        }
        return true;
    }

    // A page file in the temporary folder; returns its file URL.
    std::u16string WritePage(const std::string& name, const std::string& bytes) {
        const auto path = tmp.path / name;
        test::WriteAll(path, bytes);
        return u"file://" + path.u16string();
    }

    bool Request(const std::u16string& url) {
        form->LEURL.SetText(url);
        form->BtnRubi.Click();
        return !form->Rubiing;
    }

    // The user closes the window: true when it closed.
    bool Close() {
        if (!form->FormCloseQuery()) return false;
        form->FormDestroy();
        view.shown = false;
        return true;
    }
};

inline std::string SamplePage(int bodyLines = 3) {
    std::string page =
        "<html>\n<head><meta charset=\"utf-8\"><title>漢字の本</title></head>\n<body>\n";
    for (int i = 0; i < bodyLines; ++i)
        page += "<p>漢字を読む日</p>\n";
    page += "</body>\n</html>\n";
    return page;
}

using test::ReadAll;

}  // namespace velmora
