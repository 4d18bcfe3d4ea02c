// A main window with its Qt view on fake desktop services, with its data folder in a
// temporary home.
#pragma once

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "TestFiles.h"
#include "browser/RubiPageShower.h"
#include "browser/TVelmoraForm.h"
#include "platform/Platform.h"
#include "platform/fake/FakePlatform.h"
#include "ruby/FakeReading.h"
#include "ruby/MecabReading.h"
#include "settings/IniFile.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/QtServices.h"
#include "ui/qt/QtVelmoraForm.h"
#include "ui/qt/UrlField.h"

namespace velmora {

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

struct AppFixture {
    QTemporaryDir tmp;
    FakeFolders folders;
    FakeWindowPlacement placement;
    FakeDefaultBrowser defaultBrowser;
    WindowPlacement* realPlacement = nullptr;  // instead of the fake, when set
    // The real desktop services instead of the recording page shower: the browser is
    // started and found, and the ruby key and the clipboard trigger requests.
    PlatformServices* desktop = nullptr;
    QtClipboard clipboard;
    std::unique_ptr<QtDesktopEvents> desktopEvents;
    bool realReading = false;  // MeCab instead of the scripted readings
    RecordingPageShower shower;
    FakeReadingScript script;
    std::function<void()> onFirstReading;
    const char* tls = "OpenSSL/3.0.11";
    bool readingAvailable = true;
    QtServices services;
    std::unique_ptr<TVelmoraForm> logic;
    std::unique_ptr<QtVelmoraForm> form;  // the view, as the user sees it

    ~AppFixture() {
        if (logic && desktop) logic->FormDestroy();
        desktopEvents.reset();
        form.reset();
        logic.reset();
    }

    explicit AppFixture(const QString& documents = QStringLiteral("Documents")) {
        folders.documents = (tmp.path() + u'/' + documents).toStdU16String();
        script.chars = {{u'漢', u"かん"}, {u'字', u"じ"}, {u'本', u"ほん"},
                        {u'日', u"に"},   {u'読', u"よ"}, {u'書', u"か"}};
        services.messages.SetAutoAnswer(TMessageBox::Ok);
    }

    std::filesystem::path Data() const {
        return std::filesystem::path(folders.documents) / "Quorrin" / "VelmoraData";
    }
    std::filesystem::path Page(int n) const {
        return Data() / ("Rubi" + std::to_string(n) + ".html");
    }

    void WriteConfig(const std::string& text) {
        std::filesystem::create_directories(Data());
        std::ofstream(Data() / "Config.ini", std::ios::binary) << text;
    }

    // Creates the window and runs its start-up; shows it and waits for the first show.
    bool Start(bool show = true) {
        TVelmoraDeps deps;
        deps.folders = &folders;
        deps.placement = realPlacement ? realPlacement : &placement;
        deps.shower = &shower;
        deps.messages = &services.messages;
        deps.timer = &services.timer;
        deps.clock = &services.clock;
        deps.pump = &services.pump;
        deps.tlsVersion = [this] { return tls; };
        deps.readingAvailable = [this](std::string*) { return readingAvailable; };
        deps.defaultBrowser = [this] { return defaultBrowser.Find(); };
        deps.reading = [this]() -> std::unique_ptr<ReadingService> {
            return std::make_unique<ProbeReading>(script, onFirstReading);
        };
        if (realReading) deps.reading = MecabReadingFactory();
        if (desktop) {
            deps.placement = desktop->placement.get();
            deps.shower = nullptr;
            deps.windows = desktop->windows.get();
            deps.launcher = desktop->launcher.get();
            deps.keyHook = desktop->keyHook.get();
            deps.input = desktop->input.get();
            deps.clipboard = &clipboard;
        }
        logic = std::make_unique<TVelmoraForm>(std::move(deps));
        form = std::make_unique<QtVelmoraForm>(*logic);
        services.messages.SetOwner(form.get());
        if (!logic->FormCreate()) return false;
        if (desktop)
            desktopEvents = std::make_unique<QtDesktopEvents>(*logic, desktop->keyHook.get());
        if (show) {
            form->show();
            return QTest::qWaitFor([this] { return !logic->IsStart; }, 5000);
        }
        return true;
    }

    // A page file in the temporary folder; returns its file URL.
    QString WritePage(const QString& name, const QByteArray& bytes) {
        const QString path = tmp.path() + u'/' + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return QStringLiteral("file://") + path;
    }

    bool Request(const QString& url) {
        form->LEURL->setText(url);
        form->BtnRubi->click();
        return !logic->Rubiing;
    }
};

inline QByteArray SamplePage(int bodyLines = 3) {
    QByteArray page =
        "<html>\n<head><meta charset=\"utf-8\"><title>漢字の本</title></head>\n<body>\n";
    for (int i = 0; i < bodyLines; ++i)
        page += "<p>漢字を読む日</p>\n";
    page += "</body>\n</html>\n";
    return page;
}

using test::ReadAll;

}  // namespace velmora
