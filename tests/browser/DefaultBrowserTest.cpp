// The desktop's default browser, read from a made-up XDG tree in a temporary folder.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <string>

#include "platform/x11/X11Backend.h"

using namespace velmora;

using Files = QMap<QString, QString>;  // path under the tree -> contents; "$T" is the tree

class DefaultBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void execProgram_data();
    void execProgram();
    void lookup_data();
    void lookup();
    void environmentDefaults();
    void serviceReadsTheProcessEnvironment();

private:
    // Programs every tree holds: plain ones on PATH, one behind a link, one in a folder with a
    // blank, one without the execute bit and a snap-style launcher.
    static void MakePrograms(const QString& root);
    static void Put(const QString& root, const QString& path, const QString& text,
                    bool executable = false);
};

void DefaultBrowserTest::Put(const QString& root, const QString& path, const QString& text,
                             bool executable) {
    const QString full = root + u'/' + path;
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QString(text).replace(QStringLiteral("$T"), root).toUtf8());
    file.close();
    ::chmod(QFile::encodeName(full).constData(), executable ? 0755 : 0644);
}

void DefaultBrowserTest::MakePrograms(const QString& root) {
    const QString script = QStringLiteral("#!/bin/sh\n");
    Put(root, QStringLiteral("bin/fakefox"), script, true);
    Put(root, QStringLiteral("bin2/otherfox"), script, true);
    Put(root, QStringLiteral("bin/notexec"), script, false);
    Put(root, QStringLiteral("opt/real/fakefox-real"), script, true);
    Put(root, QStringLiteral("opt/my browser/fake fox"), script, true);
    Put(root, QStringLiteral("usr/bin/snap"), script, true);
    QDir().mkpath(root + QStringLiteral("/snap/bin"));
    QVERIFY(QFile::link(root + QStringLiteral("/opt/real/fakefox-real"),
                        root + QStringLiteral("/bin/foxlink")));
    QVERIFY(QFile::link(root + QStringLiteral("/usr/bin/snap"),
                        root + QStringLiteral("/snap/bin/fox")));
}

void DefaultBrowserTest::execProgram_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("program");
    QTest::newRow("name and field code") << "fakefox %u"
                                         << "fakefox";
    QTest::newRow("quoted path with blanks") << "\"/opt/my browser/fox\" --new %U"
                                             << "/opt/my browser/fox";
    QTest::newRow("escaped quote in quotes") << "\"/opt/q\\\\\"x/fox\" %f"
                                             << "/opt/q\"x/fox";
    QTest::newRow("escaped backslash") << "\"/opt/b\\\\\\\\s/fox\""
                                       << "/opt/b\\s/fox";
    QTest::newRow("blank escape splits words") << "fox\\sbeta %u"
                                               << "fox";
    QTest::newRow("percent sign") << "fox%%beta %u"
                                  << "fox%beta";
    QTest::newRow("env assignments") << "env BAMF_DESKTOP_FILE_HINT=/x.desktop /snap/bin/fox %u"
                                     << "/snap/bin/fox";
    QTest::newRow("env by path") << "/usr/bin/env GDK_BACKEND=x11 fox"
                                 << "fox";
    QTest::newRow("leading blanks") << " \tfox  "
                                    << "fox";
    QTest::newRow("field code only") << "%u"
                                     << "";
    QTest::newRow("env only") << "env A=1 %u"
                              << "";
    QTest::newRow("unclosed quote") << "\"/opt/fox %u"
                                    << "";
    QTest::newRow("empty") << ""
                           << "";
}

void DefaultBrowserTest::execProgram() {
    QFETCH(QString, exec);
    QFETCH(QString, program);
    QCOMPARE(QString::fromStdString(ExecProgram(exec.toStdString())), program);
}

void DefaultBrowserTest::lookup_data() {
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("browser");  // "$T" is the tree

    const QString fox = QStringLiteral("[Desktop Entry]\nType=Application\nExec=fakefox %u\n");
    const QString other = QStringLiteral("[Desktop Entry]\nExec=otherfox\n");
    auto list = [](const QString& mime, const QString& ids) {
        return QStringLiteral("[Default Applications]\n") + mime + u'=' + ids + u'\n';
    };
    const QString http = QStringLiteral("x-scheme-handler/http");
    const QString html = QStringLiteral("text/html");

    QTest::newRow("mimeapps.list default")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", fox}}
        << "$T/bin/fakefox";
    QTest::newRow("user list before the system's")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"etcxdg/mimeapps.list", list(http, "other.desktop")},
                 {"share1/applications/fox.desktop", fox},
                 {"share1/applications/other.desktop", other}}
        << "$T/bin/fakefox";
    QTest::newRow("the desktop's own list first")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"config/gnome-mimeapps.list", list(http, "other.desktop")},
                 {"share1/applications/fox.desktop", fox},
                 {"share1/applications/other.desktop", other}}
        << "$T/bin2/otherfox";
    QTest::newRow("defaults.list fallback")
        << Files{{"share2/applications/defaults.list", list(http, "fox.desktop")},
                 {"share2/applications/fox.desktop", fox}}
        << "$T/bin/fakefox";
    QTest::newRow("HTML default when there is no http default")
        << Files{{"config/mimeapps.list", list(html, "fox.desktop")},
                 {"data/applications/fox.desktop", fox}}
        << "$T/bin/fakefox";
    QTest::newRow("http default before an HTML default of a nearer file")
        << Files{{"config/mimeapps.list", list(html, "other.desktop")},
                 {"share1/applications/defaults.list", list(http, "fox.desktop")},
                 {"share1/applications/fox.desktop", fox},
                 {"share1/applications/other.desktop", other}}
        << "$T/bin/fakefox";
    QTest::newRow("Exec with quotes and %U")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop",
                  "[Desktop Entry]\nExec=\"$T/opt/my browser/fake fox\" --new-window %U\n"}}
        << "$T/opt/my browser/fake fox";
    QTest::newRow("link resolved to the real program")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", "[Desktop Entry]\nExec=foxlink %u\n"}}
        << "$T/opt/real/fakefox-real";
    QTest::newRow("snap launcher kept, env skipped")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop",
                  "[Desktop Entry]\nExec=env BAMF_DESKTOP_FILE_HINT=/f.desktop $T/snap/bin/fox "
                  "%u\n"}}
        << "$T/snap/bin/fox";
    QTest::newRow("first listed entry not installed")
        << Files{{"config/mimeapps.list", list(http, "gone.desktop; fox.desktop;")},
                 {"data/applications/fox.desktop", fox}}
        << "$T/bin/fakefox";
    QTest::newRow("entry in a subfolder named by its dash")
        << Files{{"config/mimeapps.list", list(http, "kde4-konqueror.desktop")},
                 {"share2/applications/kde4/konqueror.desktop", other}}
        << "$T/bin2/otherfox";
    QTest::newRow("Exec of another group does not count")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop",
                  "[Desktop Action new]\nExec=otherfox\n[Desktop Entry]\nExec=fakefox\n"}}
        << "$T/bin/fakefox";
    // Without a named default.
    const QString takesHttp = QStringLiteral(
        "[Desktop Entry]\nMimeType=text/html;x-scheme-handler/http;\nExec=fakefox %u\n");
    const QString takesHtml =
        QStringLiteral("[Desktop Entry]\nMimeType=text/plain;text/html;\nExec=otherfox %f\n");
    QTest::newRow("added association")
        << Files{{"config/mimeapps.list",
                  "[Added Associations]\nx-scheme-handler/http=other.desktop\n"},
                 {"data/applications/other.desktop", other},
                 {"share1/applications/fox.desktop", takesHttp}}
        << "$T/bin2/otherfox";
    QTest::newRow("installed program that takes web links")
        << Files{{"share1/applications/editor.desktop", takesHtml},
                 {"share2/applications/fox.desktop", takesHttp}}
        << "$T/bin/fakefox";
    QTest::newRow("named HTML default before an installed browser")
        << Files{{"config/mimeapps.list", list(html, "editor.desktop")},
                 {"share1/applications/editor.desktop", takesHtml},
                 {"share1/applications/fox.desktop", takesHttp}}
        << "$T/bin2/otherfox";
    // No browser.
    QTest::newRow("installed program that takes only HTML files")
        << Files{{"share1/applications/editor.desktop", takesHtml}} << "";
    QTest::newRow("user entry without the type masks the system's")
        << Files{{"data/applications/fox.desktop", fox},
                 {"share1/applications/fox.desktop", takesHttp}}
        << "";
    QTest::newRow("hidden user entry hides the system's")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", "[Desktop Entry]\nHidden=true\n"},
                 {"share1/applications/fox.desktop", fox}}
        << "";
    QTest::newRow("missing program")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", "[Desktop Entry]\nExec=nosuchfox %u\n"}}
        << "";
    QTest::newRow("program not executable")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", "[Desktop Entry]\nExec=$T/bin/notexec\n"}}
        << "";
    QTest::newRow("program path not absolute")
        << Files{{"config/mimeapps.list", list(http, "fox.desktop")},
                 {"data/applications/fox.desktop", "[Desktop Entry]\nExec=bin/fakefox\n"}}
        << "";
    QTest::newRow("id with a folder is not an id")
        << Files{{"config/mimeapps.list", list(http, "../applications/fox.desktop")},
                 {"data/applications/fox.desktop", fox}}
        << "";
    QTest::newRow("id of many dashes ends at once")
        << Files{{"config/mimeapps.list",
                  list(http, QStringLiteral("a-").repeated(40) + "fox.desktop")},
                 {"data/applications/fox.desktop", fox}}
        << "";

    QTest::newRow("no default at all") << Files{{"data/applications/fox.desktop", fox}} << "";
}

void DefaultBrowserTest::lookup() {
    QFETCH(Files, files);
    QFETCH(QString, browser);
    QTemporaryDir tmp;
    // Compare against the tree's real path: the result has its links resolved.
    const QString root = QFileInfo(tmp.path()).canonicalFilePath();
    MakePrograms(root);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        Put(root, it.key(), it.value());

    const std::string r = root.toStdString();
    std::map<std::string, std::string> vars = {{"HOME", r + "/home"},
                                               {"XDG_CONFIG_HOME", r + "/config"},
                                               {"XDG_CONFIG_DIRS", r + "/etcxdg"},
                                               {"XDG_DATA_HOME", r + "/data"},
                                               {"XDG_DATA_DIRS", r + "/share1:" + r + "/share2"},
                                               {"PATH", "relative:" + r + "/bin:" + r + "/bin2"},
                                               {"XDG_CURRENT_DESKTOP", "GNOME"}};
    const XdgEnvironment env = XdgEnvironment::FromVariables([&](const char* name) {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    });
    QCOMPARE(QString::fromStdString(FindDefaultBrowser(env)),
             QString(browser).replace(QStringLiteral("$T"), root));
}

void DefaultBrowserTest::environmentDefaults() {
    std::map<std::string, std::string> vars = {{"HOME", "/home/kid"},
                                               {"XDG_CONFIG_HOME", "relative/config"},
                                               {"XDG_DATA_DIRS", ""},
                                               {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}};
    const XdgEnvironment env = XdgEnvironment::FromVariables([&](const char* name) {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    });
    QCOMPARE(env.configHome, std::string("/home/kid/.config"));
    QCOMPARE(env.configDirs, std::vector<std::string>{"/etc/xdg"});
    QCOMPARE(env.dataHome, std::string("/home/kid/.local/share"));
    QCOMPARE(env.dataDirs, (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
    QCOMPARE(env.path, (std::vector<std::string>{"/usr/local/bin", "/usr/bin", "/bin"}));
    QCOMPARE(env.desktops, (std::vector<std::string>{"ubuntu", "gnome"}));
}

void DefaultBrowserTest::serviceReadsTheProcessEnvironment() {
    QTemporaryDir tmp;
    const QString root = QFileInfo(tmp.path()).canonicalFilePath();
    MakePrograms(root);
    Put(root, QStringLiteral("home/.config/mimeapps.list"),
        QStringLiteral("[Default Applications]\nx-scheme-handler/http=fox.desktop\n"));
    Put(root, QStringLiteral("home/.local/share/applications/fox.desktop"),
        QStringLiteral("[Desktop Entry]\nExec=foxlink %u\n"));

    const char* names[] = {"HOME",          "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                           "XDG_DATA_HOME", "XDG_DATA_DIRS",   "PATH"};
    std::map<std::string, std::optional<QByteArray>> saved;
    for (const char* name : names)
        saved[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    qputenv("HOME", (root + QStringLiteral("/home")).toUtf8());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qunsetenv(name);
    qputenv("XDG_CONFIG_DIRS", (root + QStringLiteral("/etcxdg")).toUtf8());
    qputenv("XDG_DATA_DIRS", (root + QStringLiteral("/share1")).toUtf8());
    qputenv("PATH", (root + QStringLiteral("/bin")).toUtf8());

    const std::u16string found = CreateXdgDefaultBrowser()->Find();
    // A program whose real name is no UTF-8 text could not be stored as itself.
    const QByteArray bad = QFile::encodeName(root) + "/opt/real/fox\xff";
    QVERIFY(::rename(QFile::encodeName(root + QStringLiteral("/opt/real/fakefox-real")), bad) == 0);
    QVERIFY(::unlink(QFile::encodeName(root + QStringLiteral("/bin/foxlink"))) == 0);
    QVERIFY(::symlink(bad.constData(),
                      QFile::encodeName(root + QStringLiteral("/bin/foxlink")).constData()) == 0);
    const std::u16string notText = CreateXdgDefaultBrowser()->Find();

    for (const auto& [name, value] : saved) {
        if (value)
            qputenv(name.c_str(), *value);
        else
            qunsetenv(name.c_str());
    }
    QCOMPARE(QString::fromStdU16String(found), root + QStringLiteral("/opt/real/fakefox-real"));
    QVERIFY(notText.empty());
}

QTEST_APPLESS_MAIN(DefaultBrowserTest)
#include "DefaultBrowserTest.moc"
