// velmora: the desktop tool. One instance per user; the main window holds the run.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/FileIO.h"
#include "browser/Startup.h"
#include "browser/TVelmoraForm.h"
#include "platform/HelpPage.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "ruby/MecabReading.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/QtServices.h"
#include "ui/qt/QtStyle.h"
#include "ui/qt/QtVelmoraForm.h"
#include "ui/qt/QuitRequests.h"

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
    TVelmoraForm form(std::move(deps));
    QtVelmoraForm window(form);
    services.messages.SetOwner(&window);
    if (!form.FormCreate()) {
        if (!form.StartupFailure.empty())
            std::fprintf(stderr, "velmora: %s\n", form.StartupFailure.c_str());
        return 1;
    }
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
                window.close();
            });
        });
    }
    return app.exec();
}
