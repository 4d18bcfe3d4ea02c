// velmora: the desktop tool. One instance per user; the main window holds the run.
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/FileIO.h"
#include "browser/Startup.h"
#include "browser/TVelmoraForm.h"
#include "platform/CaptureDesktop.h"
#include "platform/HelpPage.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "ruby/MecabReading.h"
#include "settings/TDicForm.h"
#include "settings/TVelmora_VersionForm.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/QtDicFormView.h"
#include "ui/qt/QtServices.h"
#include "ui/qt/QtStyle.h"
#include "ui/qt/QtVelmoraForm.h"
#include "ui/qt/QtVersionFormView.h"
#include "ui/qt/QuitRequests.h"

namespace {

using namespace velmora;

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The screen inside `area` (desktop pixels), as the user sees it.
void GrabScreen(const QRect& area, const QString& file) {
    QScreen* screen = QGuiApplication::primaryScreen();
    screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
}

// The menu open over the window, the dictionary editor with two entries, the about box.
void TakeSettingsPictures(QtVelmoraForm& window, TVelmoraForm& form, QtDicFormView& dicView,
                          TDicForm& dicForm, QtVersionFormView& versionView, const QString& dir) {
    const QRect frame = window.frameGeometry();
    QCursor::setPos(window.mapToGlobal(QPoint(window.width() - 30, 30)));
    form.ImgMenu.Click();
    QMenu* menu = window.findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    Wait(400);
    if (menu && menu->isVisible()) {
        GrabScreen(frame.united(menu->geometry()).adjusted(-4, -4, 4, 4),
                   dir + QStringLiteral("/velmora-menu.png"));
        menu->hide();
    }
    std::vector<DicRow> rows = {{u"へ行った", u"へ行<い>った"}, {u"家", u"家<うち>"}};
    UserDictionary scratch;
    SaveDictionary(DictionaryPath(form.DataFolda), rows, scratch);
    dicView.show();
    Wait(300);
    dicForm.ValueListEditor1SelectCell(2);
    dicView.SelectRow(2);
    Wait(300);
    dicView.grab().save(dir + QStringLiteral("/velmora-dictionary.png"));
    dicView.hide();
    versionView.show();
    Wait(300);
    versionView.grab().save(dir + QStringLiteral("/velmora-about.png"));
    versionView.hide();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    // Hidden option of the install checks: the help page this program finds, without a display.
    if (argc == 2 && std::strcmp(argv[1], "--help-page") == 0) {
        const auto page =
            FindHelpPage(PathFromText(CreatePlatformServices().folders->ProgramFolder()));
        if (page.empty()) {
            std::fputs("velmora: the help page is missing\n", stderr);
            return 1;
        }
        std::puts(page.c_str());
        return 0;
    }

    // On X11 the tool needs the display itself, not only the toolkit: say so plainly.
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (qpa.isEmpty() || qpa.startsWith("xcb")) {
        if (std::string why; !X11DisplayAvailable(&why)) {
            std::fprintf(stderr, "velmora: %s\n", why.c_str());
            return 2;
        }
    }
    QApplication app(argc, argv);
    // The window's class (WM_CLASS) is the application name; velmora.desktop names it.
    app.setApplicationName(QStringLiteral("velmora"));
    app.setDesktopFileName(QStringLiteral("velmora"));

    // Hidden option of the screenshot tool: pictures of the window, then exit.
    QString screenshotDir;
    const QStringList args = app.arguments();
    if (int i = args.indexOf(QStringLiteral("--screenshot")); i > 0 && i + 1 < args.size())
        screenshotDir = args.at(i + 1);

    QtServices services;
    if (!screenshotDir.isEmpty()) services.messages.SetAutoAnswer(TMessageBox::Ok);
    PlatformServices platform = CreatePlatformServices();
    if (!TakeSingleInstance(*platform.lock, services.messages))
        return platform.lock->Failure().empty() ? 0 : 1;

    app.setStyleSheet(CyanDuskStyleSheet());

    QtClipboard clipboard;
    TVelmoraDeps deps;
    deps.folders = platform.folders.get();
    deps.placement = platform.placement.get();
    deps.windows = platform.windows.get();
    deps.launcher = platform.launcher.get();
    deps.keyHook = platform.keyHook.get();
    deps.input = platform.input.get();
    deps.clipboard = &clipboard;
    deps.messages = &services.messages;
    deps.timer = &services.timer;
    deps.clock = &services.clock;
    deps.pump = &services.pump;
    deps.tlsVersion = &CurlTlsVersion;
    deps.reading = MecabReadingFactory();
    deps.readingAvailable = [](std::string* reason) { return MecabAvailable(reason); };
    deps.defaultBrowser = [&platform] { return platform.defaultBrowser->Find(); };
    std::unique_ptr<CaptureDesktop> desktop = CreateX11CaptureDesktop();
    deps.desktop = desktop.get();
    TVelmoraForm* shownBy = nullptr;  // the main window, once it exists
    deps.openHelpPage = [&platform, &shownBy](const std::u16string& exe,
                                              const std::u16string& page) {
        // Beside the program when run from the build, in the data folder when installed.
        QString file = QString::fromStdU16String(page);
        if (!QFile::exists(file))
            file = QString::fromStdString(
                FindHelpPage(PathFromText(platform.folders->ProgramFolder())).string());
        // The chosen browser shows the page the way it shows ruby pages: found or started,
        // then raised. Without a chosen browser the desktop's own opener does.
        if (shownBy && !exe.empty()) {
            shownBy->ShowRubiPage(u"\"" + file.toStdU16String() + u"\"");
            return;
        }
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    };
    // The dictionary editor and the about box are made after the main window.
    std::function<void()> showDicForm, showVersionForm, startEnded;
    deps.showDicForm = [&] { showDicForm(); };
    deps.showVersionForm = [&] { showVersionForm(); };
    deps.startEnded = [&] {
        if (startEnded) startEnded();
    };
    TVelmoraForm form(std::move(deps));
    shownBy = &form;
    QtVelmoraForm window(form);
    services.messages.SetOwner(&window);
    QtDicFormView dicView(services.messages, &window);
    TDicForm dicForm(dicView, {[&form] { return DictionaryPath(form.DataFolda); }, &form.Dic,
                               [&form] { form.PMenuHelpClick(); }});
    dicView.SetForm(&dicForm);
    QtVersionFormView versionView(services.messages, &window);
    TVelmora_VersionForm versionForm(
        versionView, {[](const std::u16string& url) {
            return QDesktopServices::openUrl(QUrl(QString::fromStdU16String(url)));
        }});
    versionView.SetForm(&versionForm);
    showDicForm = [&] { dicView.ShowModal(); };
    showVersionForm = [&] { versionForm.ShowAbout(); };
    startEnded = [&] { versionForm.EndStart(); };

    if (!form.FormCreate()) {
        if (!form.StartupFailure.empty())
            std::fprintf(stderr, "velmora: %s\n", form.StartupFailure.c_str());
        return 1;
    }
    dicForm.FormCreate();
    versionForm.FormCreate(form.IsStart);
    QtDesktopEvents desktopEvents(form, platform.keyHook.get());
    window.show();
    CloseOnQuitRequests(window);

    if (!screenshotDir.isEmpty()) {
        QTimer::singleShot(1500, &window, [&] {
            QDir().mkpath(screenshotDir);
            window.grab().save(screenshotDir + QStringLiteral("/velmora-collapsed.png"));
            form.BtnHelp.Click();
            QTimer::singleShot(500, &window, [&] {
                window.grab().save(screenshotDir + QStringLiteral("/velmora-expanded.png"));
                form.BtnHelp.Click();
                TakeSettingsPictures(window, form, dicView, dicForm, versionView, screenshotDir);
                window.close();
            });
        });
    }
    return app.exec();
}
