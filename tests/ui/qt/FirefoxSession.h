// A real Firefox ESR for the desktop tests and the benchmark: a fresh profile in a temporary
// home, a private session bus (Firefox hands a second start's page to the running one over
// it), started and waited for on the current X display.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Platform.h"

namespace velmora {

inline constexpr char kFirefoxEsr[] = "/usr/lib/firefox-esr/firefox-esr";

class FirefoxSession {
public:
    ~FirefoxSession() {
        if (pid_ && services_) services_->launcher->Terminate(pid_);
        if (bus_.state() != QProcess::NotRunning) {
            bus_.kill();
            bus_.waitForFinished();
        }
    }

    static bool Installed() { return QFile::exists(QString::fromLatin1(kFirefoxEsr)); }

    // Prepares the home, profile and bus and points this process's environment at them,
    // so that every Firefox started from here on (by the tool too) uses them.
    bool Prepare(QString* why) {
        const QString profile = home_.path() + QStringLiteral("/.mozilla/firefox/velmora.test");
        if (!QDir().mkpath(profile)) return Fail(why, QStringLiteral("no profile folder"));
        QFile ini(home_.path() + QStringLiteral("/.mozilla/firefox/profiles.ini"));
        if (!ini.open(QIODevice::WriteOnly)) return Fail(why, QStringLiteral("no profiles.ini"));
        ini.write(
            "[Profile0]\nName=velmora\nIsRelative=1\nPath=velmora.test\nDefault=1\n\n"
            "[General]\nStartWithLastProfile=1\nVersion=2\n");
        ini.close();
        QFile prefs(profile + QStringLiteral("/user.js"));
        if (!prefs.open(QIODevice::WriteOnly)) return Fail(why, QStringLiteral("no user.js"));
        // No first-run pages, no questions, nothing fetched from the network by itself.
        for (const char* pref : {
                 "browser.shell.checkDefaultBrowser\", false",
                 "browser.startup.homepage_override.mstone\", \"ignore\"",
                 "startup.homepage_welcome_url\", \"\"",
                 "startup.homepage_welcome_url.additional\", \"\"",
                 "browser.aboutwelcome.enabled\", false",
                 "browser.startup.page\", 0",
                 "datareporting.policy.dataSubmissionEnabled\", false",
                 "toolkit.telemetry.reportingpolicy.firstRun\", false",
                 "app.update.auto\", false",
                 "browser.sessionstore.resume_from_crash\", false",
                 "browser.tabs.warnOnClose\", false",
                 "network.connectivity-service.enabled\", false",
                 "network.captive-portal-service.enabled\", false",
                 "browser.safebrowsing.malware.enabled\", false",
                 "browser.safebrowsing.phishing.enabled\", false",
                 "browser.newtabpage.enabled\", false",
                 "extensions.update.enabled\", false",
                 "browser.region.update.enabled\", false",
                 "browser.translations.automaticallyPopup\", false",
             })
            prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
        prefs.close();
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("MOZ_LEGACY_PROFILES", "1");  // the profile above, not one of the install's

        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
        if (!bus_.waitForStarted() || !QTest::qWaitFor([&] { return bus_.canReadLine(); }, 10000))
            return Fail(why, QStringLiteral("dbus-daemon did not start"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed());
        return true;
    }

    // Starts Firefox on `url` and waits for its window, however long it takes to come.
    WindowId Start(PlatformServices& services, const QString& url, QString* why) {
        services_ = &services;
        pid_ = services.launcher->Launch(QString::fromLatin1(kFirefoxEsr).toStdU16String(),
                                         std::vector<std::u16string>{url.toStdU16String()});
        if (!pid_) {
            Fail(why, QStringLiteral("firefox-esr did not start"));
            return 0;
        }
        WindowId window = 0;
        const bool up = QTest::qWaitFor(
            [&] {
                for (WindowId w : services.windows->TopLevelWindows())
                    if (services.windows->ProcessOf(w) == pid_ && !services.windows->Owner(w) &&
                        services.windows->IsVisible(w))
                        window = w;
                return window != 0;
            },
            180000);
        if (!up) Fail(why, QStringLiteral("no Firefox window after three minutes"));
        return window;
    }

private:
    static bool Fail(QString* why, const QString& text) {
        if (why) *why = text;
        return false;
    }

    QTemporaryDir home_;
    QProcess bus_;
    PlatformServices* services_ = nullptr;
    ProcessId pid_ = 0;
};

}  // namespace velmora
