// The browser catalogue: which executable is which browser, and the name the menu shows.
#include <QTest>

#include "browser/BrowserCatalogue.h"

using namespace velmora;

Q_DECLARE_METATYPE(velmora::ExeNaming)

class BrowserCatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void browserNo_data();
    void browserNo();
    void menuCaption();
};

void BrowserCatalogueTest::browserNo_data() {
    QTest::addColumn<ExeNaming>("naming");
    QTest::addColumn<QString>("exe");
    QTest::addColumn<int>("no");
    QTest::addColumn<QString>("name");  // display name

    const auto win = ExeNaming::Windows;
    const auto lin = ExeNaming::Linux;
    // Windows programs.
    QTest::newRow("win firefox.exe")
        << win << "C:\\Program Files\\Mozilla Firefox\\firefox.exe" << 0 << "Mozilla Firefox";
    QTest::newRow("win FIREFOX.EXE in capitals")
        << win << "C:\\PROGRAM FILES\\MOZILLA FIREFOX\\FIREFOX.EXE" << 0 << "Mozilla Firefox";
    QTest::newRow("win firefox-esr.exe is not in the catalogue")
        << win << "C:\\Program Files\\Mozilla Firefox\\firefox-esr.exe" << -1 << "firefox-esr";
    QTest::newRow("win iexplore") << win << "C:\\Program Files\\Internet Explorer\\iexplore.exe"
                                  << 1 << "Internet Explorer";
    QTest::newRow("win chrome") << win
                                << "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe" << 2
                                << "Google Chrome";
    QTest::newRow("win opera") << win << "C:\\Program Files\\Opera\\opera.exe" << 3 << "Opera";
    QTest::newRow("win kinza") << win << "C:\\Kinza\\kinza.exe" << 4 << "Kinza";
    QTest::newRow("win Sleipnir") << win << "C:\\Fenrir\\Sleipnir\\bin\\Sleipnir.exe" << 5
                                  << "Sleipnir";
    QTest::newRow("win folder named firefox does not count")
        << win << "C:\\firefox\\app.exe" << -1 << "app";
    QTest::newRow("win only the last extension goes")
        << win << "C:\\tools\\my.browser.exe" << -1 << "my.browser";
    QTest::newRow("win drive without folder") << win << "D:opera.exe" << 3 << "Opera";
    QTest::newRow("win Edge's program is not Edge")
        << win << "C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe" << -1 << "msedge";
    // Linux programs: launchers on PATH and the files they lead to.
    QTest::newRow("linux firefox-esr")
        << lin << "/usr/lib/firefox-esr/firefox-esr" << 0 << "Mozilla Firefox";
    QTest::newRow("linux firefox") << lin << "/usr/lib/firefox/firefox" << 0 << "Mozilla Firefox";
    QTest::newRow("linux FIREFOX in capitals")
        << lin << "/opt/Firefox/FIREFOX" << 0 << "Mozilla Firefox";
    QTest::newRow("linux chrome") << lin << "/opt/google/chrome/chrome" << 2 << "Google Chrome";
    QTest::newRow("linux google-chrome-stable")
        << lin << "/usr/bin/google-chrome-stable" << 2 << "Google Chrome";
    QTest::newRow("linux chromium") << lin << "/usr/lib/chromium/chromium" << 2 << "Google Chrome";
    QTest::newRow("linux opera") << lin << "/usr/lib/x86_64-linux-gnu/opera/opera" << 3 << "Opera";
    QTest::newRow("linux other browser")
        << lin << "/usr/bin/epiphany-browser" << -1 << "epiphany-browser";
    QTest::newRow("linux Windows program names do not count")
        << lin << "/usr/local/bin/iexplore" << -1 << "iexplore";
    QTest::newRow("linux dot in a folder is no extension")
        << lin << "/home/u/apps.d/firefox" << 0 << "Mozilla Firefox";
    QTest::newRow("linux backslash is part of the name")
        << lin << "/home/u/bin\\firefox" << -1 << "bin\\firefox";
    QTest::newRow("linux hidden file keeps its dot")
        << lin << "/home/u/.firefox" << -1 << ".firefox";
    // Edge is its literal name, on every system.
    QTest::newRow("Microsoft Edge") << win << "Microsoft Edge" << 6 << "Microsoft Edge";
    QTest::newRow("Microsoft Edge on linux") << lin << "Microsoft Edge" << 6 << "Microsoft Edge";
    QTest::newRow("microsoft edge in lower case")
        << win << "microsoft edge" << -1 << "microsoft edge";
    QTest::newRow("empty") << win << "" << -1 << "";
    QTest::newRow("empty on linux") << lin << "" << -1 << "";
}

void BrowserCatalogueTest::browserNo() {
    QFETCH(ExeNaming, naming);
    QFETCH(QString, exe);
    QFETCH(int, no);
    QFETCH(QString, name);
    const std::u16string path = exe.toStdU16String();
    QCOMPARE(BrowserNoOf(path, naming), no);
    QCOMPARE(QString::fromStdU16String(BrowserDisplayName(no, path, naming)), name);
}

void BrowserCatalogueTest::menuCaption() {
    QCOMPARE(QString::fromStdU16String(BrowserMenuCaption(u"Opera")),
             QStringLiteral("ルビを表示(ひょうじ)するブラウザ:Opera(&B)"));
    QCOMPARE(QString::fromStdU16String(BrowserMenuCaption(u"")),
             QStringLiteral("ルビを表示(ひょうじ)するブラウザ:(&B)"));
}

QTEST_APPLESS_MAIN(BrowserCatalogueTest)
#include "BrowserCatalogueTest.moc"
