// velmora: the desktop tool. One instance per user; the main window holds the run.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "browser/RubiPageShower.h"
#include "browser/Startup.h"
#include "browser/TMessageBox.h"
#include "browser/TVelmoraForm.h"
#include "platform/HelpPage.h"
#include "platform/Platform.h"
#include "ruby/MecabReading.h"
#include "settings/IniFile.h"

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

    QApplication app(argc, argv);
    // The window's class (WM_CLASS) is the application name; velmora.desktop names it.
    app.setApplicationName(QStringLiteral("velmora"));
    app.setDesktopFileName(QStringLiteral("velmora"));

    // Hidden option of the screenshot tool: pictures of the window, then exit.
    QString screenshotDir;
    const QStringList args = app.arguments();
    if (int i = args.indexOf(QStringLiteral("--screenshot")); i > 0 && i + 1 < args.size())
        screenshotDir = args.at(i + 1);

    PlatformServices platform = CreatePlatformServices();
    if (!TakeSingleInstance(*platform.lock)) return 0;

    app.setStyleSheet(CyanDuskStyleSheet());
    if (!screenshotDir.isEmpty()) TMessageBox::setAutoAnswer(QMessageBox::Ok);

    RecordingPageShower shower;
    TVelmoraDeps deps;
    deps.folders = platform.folders.get();
    deps.placement = platform.placement.get();
    deps.shower = &shower;
    deps.tlsVersion = &CurlTlsVersion;
    deps.reading = MecabReadingFactory();
    deps.readingAvailable = [](std::string* reason) { return MecabAvailable(reason); };
    deps.defaultBrowser = [&platform] { return platform.defaultBrowser->Find(); };
    TVelmoraForm form(std::move(deps));
    if (!form.FormCreate()) return 1;
    form.show();

    if (!screenshotDir.isEmpty()) {
        QTimer::singleShot(1500, &form, [&] {
            QDir().mkpath(screenshotDir);
            form.grab().save(screenshotDir + QStringLiteral("/velmora-collapsed.png"));
            form.BtnHelpClick();
            QTimer::singleShot(500, &form, [&] {
                form.grab().save(screenshotDir + QStringLiteral("/velmora-expanded.png"));
                form.close();
            });
        });
    }
    return app.exec();
}
