// Start-up of the main window: settings, data folder, TLS check, single instance, layout.
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cstdlib>

#include "AppFixture.h"
#include "browser/Startup.h"
#include "browser/UrlField.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

namespace {

const QString kNoBrowser = QStringLiteral("表示(ひょうじ)するブラウザを指定(してい)してください。");
const QString kAltRepaired = QStringLiteral(
    "[Alt]キーはルビふりキーには使えなくなりましたので\r\n[Shift]キーに変更(へんこう)しました。");
const QString kEdge = QStringLiteral(
    "Microsoft Edge "
    "ではルビを振(ふ)った画面(がめん)を表示(ひょうじ)できません。\rルビを表示(ひょうじ)"
    "するブラウザを変更(へんこう)してください。");
const QString kTabSentence =
    QStringLiteral("(この場合(ばあい)、ルビがふられていないタブは閉(と)じません。)");

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void settings_data();
    void settings();
    void defaultBrowser_data();
    void defaultBrowser();
    void firstStateOfTheWindow();
    void controlPlaces_data();
    void controlPlaces();
    void helpButtonTogglesTheUsagePanel();
    void missingTlsLibraryEndsTheStart();
    void missingReadingDictionaryEndsTheStart();
    void secondInstanceIsRefused();
    void flockLockHeldUntilItsHolderEnds();
    void documentsFolderFollowsUserDirs();
};

void StartupTest::settings_data() {
    QTest::addColumn<QByteArray>("config");  // empty: no Config.ini at all
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("hotKey");
    QTest::addColumn<QString>("hotKeyCaption");
    QTest::addColumn<bool>("deleteFile");
    QTest::addColumn<bool>("closeNoRubiTab");
    QTest::addColumn<bool>("noMoveBrowser");
    QTest::addColumn<QStringList>("messages");

    const QString shift = QStringLiteral("ルビふりキー:[Shift](&K)");
    QTest::newRow("no Config.ini")
        << QByteArray() << 0 << 16 << shift << true << false << false << QStringList{kNoBrowser};
    QTest::newRow("full") << QByteArray(
                                 "[ExceptRubi]\r\nValue=4\r\n[BrowserExeName]\r\nValue=/usr/bin/"
                                 "firefox\r\n[HotKey]\r\nValue=17\r\nName=Ctrl\r\n[DeleteFile]\r\n"
                                 "Value=0\r\n[CloseNoRubiTab]\r\nValue=1\r\n[NoMoveBrowser]\r\n"
                                 "Value=1\r\n")
                          << 4 << 17 << QStringLiteral("ルビふりキー:[Ctrl](&K)") << false << true
                          << true << QStringList{};
    QTest::newRow("HotKey 18 becomes Shift")
        << QByteArray("[BrowserExeName]\nValue=/usr/bin/firefox\n[HotKey]\nValue=18\nName=Alt\n")
        << 0 << 16 << shift << true << false << false << QStringList{kAltRepaired};
    QTest::newRow("hex level 0x3") << QByteArray("[ExceptRubi]\nValue=0x3\n") << 3 << 16 << shift
                                   << true << false << false << QStringList{kNoBrowser};
    QTest::newRow("hex level $5") << QByteArray("[ExceptRubi]\nValue=$5\n") << 5 << 16 << shift
                                  << true << false << false << QStringList{kNoBrowser};
    QTest::newRow("level above 6 reads as 6")
        << QByteArray("[ExceptRubi]\nValue=9\n") << 6 << 16 << shift << true << false << false
        << QStringList{kNoBrowser};
    QTest::newRow("negative level reads as 0")
        << QByteArray("[ExceptRubi]\nValue=-2\n") << 0 << 16 << shift << true << false << false
        << QStringList{kNoBrowser};
    QTest::newRow("DeleteFile 2 is on, not a number is the default")
        << QByteArray("[DeleteFile]\nValue=2\n[CloseNoRubiTab]\nValue=abc\n") << 0 << 16 << shift
        << true << false << false << QStringList{kNoBrowser};
    QTest::newRow("stored Edge warns")
        << QByteArray("[BrowserExeName]\nValue=Microsoft Edge\n") << 0 << 16 << shift << true
        << false << false << QStringList{kEdge};
}

void StartupTest::settings() {
    QFETCH(QByteArray, config);
    QFETCH(int, level);
    QFETCH(int, hotKey);
    QFETCH(QString, hotKeyCaption);
    QFETCH(bool, deleteFile);
    QFETCH(bool, closeNoRubiTab);
    QFETCH(bool, noMoveBrowser);
    QFETCH(QStringList, messages);

    AppFixture app;
    if (!config.isEmpty()) app.WriteConfig(config.toStdString());
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;

    QCOMPARE(f.ExceptRubiLevel, level);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(f.MenuExceptRubi[static_cast<size_t>(i)]->isChecked(), i == level);
    QCOMPARE(f.HotKey, hotKey);
    QCOMPARE(f.PMenuHotKey->text(), hotKeyCaption);
    QCOMPARE(f.PMenuDeleteFile->isChecked(), deleteFile);
    QCOMPARE(f.PMenuCloseNoRubiTab->isChecked(), closeNoRubiTab);
    QCOMPARE(f.PMenuNoMoveBrowser->isChecked(), noMoveBrowser);
    QCOMPARE(f.LblHelp->text().contains(kTabSentence), closeNoRubiTab);
    QVERIFY(f.LblHelp->text().contains(hotKeyCaption.mid(8, hotKeyCaption.size() - 12)));
    QCOMPARE(TMessageBox::texts(), messages);
    QVERIFY(!f.IsStart);

    // A stored browser is brought up at the first show, in the start-up manner.
    if (!f.BrowserExeName.empty()) {
        QCOMPARE(app.shower.calls.size(), size_t(1));
        QVERIFY(app.shower.calls[0].quotedPath.empty());
        QVERIFY(app.shower.calls[0].starting);
    } else {
        QVERIFY(app.shower.calls.empty());
    }
    if (config.isEmpty()) QVERIFY(!std::filesystem::exists(app.Data() / "Config.ini"));
    if (QTest::currentDataTag() == QByteArray("HotKey 18 becomes Shift")) {
        IniFile ini(app.Data() / "Config.ini");
        QCOMPARE(ini.ReadInteger(u"HotKey", u"Value", 0), 16);
        QVERIFY(ini.ReadString(u"HotKey", u"Name", u"") == u"Shift");
    }
    if (QTest::currentDataTag() == QByteArray("full"))
        QCOMPARE(f.PMenuBrowser->text(),
                 QStringLiteral("ルビを表示(ひょうじ)するブラウザ:Mozilla Firefox(&B)"));
}

void StartupTest::defaultBrowser_data() {
    QTest::addColumn<QByteArray>("config");  // empty: no Config.ini at all
    QTest::addColumn<QString>("answer");     // the desktop's default browser
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("browser");  // BrowserExeName afterwards
    QTest::addColumn<int>("no");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");  // of Config.ini afterwards; none: no file
    QTest::addColumn<QStringList>("messages");

    const QString esr = QStringLiteral("/usr/lib/firefox-esr/firefox-esr");
    const QString opera = QStringLiteral("/usr/lib/x86_64-linux-gnu/opera/opera");
    const QString chrome = QStringLiteral("/opt/google/chrome/chrome");
    const QString caption = QStringLiteral("ルビを表示(ひょうじ)するブラウザ:%1(&B)");
    QTest::newRow("first run, known browser")
        << QByteArray() << esr << true << esr << 0 << caption.arg("Mozilla Firefox")
        << QStringList{"[BrowserExeName]", "Value=" + esr} << QStringList{};
    QTest::newRow("first run, browser outside the catalogue")
        << QByteArray() << "/usr/bin/epiphany-browser" << true << "/usr/bin/epiphany-browser" << -1
        << caption.arg("epiphany-browser")
        << QStringList{"[BrowserExeName]", "Value=/usr/bin/epiphany-browser"} << QStringList{};
    QTest::newRow("first run, no default browser")
        << QByteArray() << "" << true << "" << -1 << caption.arg("") << QStringList{}
        << QStringList{kNoBrowser};
    QTest::newRow("empty stored browser is looked up")
        << QByteArray("[ExceptRubi]\nValue=2\n[BrowserExeName]\nValue=\n") << opera << true << opera
        << 3 << caption.arg("Opera")
        << QStringList{"[ExceptRubi]", "Value=2", "[BrowserExeName]", "Value=" + opera}
        << QStringList{};
    QTest::newRow("stored browser is kept")
        << QByteArray("[BrowserExeName]\nValue=/opt/google/chrome/chrome\n") << esr << false
        << chrome << 2 << caption.arg("Google Chrome")
        << QStringList{"[BrowserExeName]", "Value=" + chrome} << QStringList{};
    QTest::newRow("Edge's launcher is stored as Edge")
        << QByteArray() << "C:\\Windows\\SystemApps\\LaunchWinApp.exe" << true << "Microsoft Edge"
        << 6 << caption.arg("Microsoft Edge")
        << QStringList{"[BrowserExeName]", "Value=Microsoft Edge"} << QStringList{kEdge};
}

void StartupTest::defaultBrowser() {
    QFETCH(QByteArray, config);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(QString, browser);
    QFETCH(int, no);
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, messages);

    AppFixture app;
    if (!config.isEmpty()) app.WriteConfig(config.toStdString());
    app.defaultBrowser.answer = answer.toStdU16String();
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;

    QCOMPARE(app.defaultBrowser.asked, asked ? 1 : 0);
    QCOMPARE(QString::fromStdU16String(f.BrowserExeName), browser);
    QCOMPARE(f.BrowserNo, no);
    QCOMPARE(f.PMenuBrowser->text(), caption);
    QCOMPARE(TMessageBox::texts(), messages);
    if (no == 6) QCOMPARE(TMessageBox::history()[0].icon, QMessageBox::Question);

    const auto path = app.Data() / "Config.ini";
    QCOMPARE(std::filesystem::exists(path), !lines.isEmpty());
    if (!lines.isEmpty()) {
        const QString text = QString::fromStdString(ReadAll(path));
        QCOMPARE(text.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts),
                 lines);
    }
    // The first run goes on with the defaults of a missing file.
    const int level = config.contains("ExceptRubi") ? 2 : 0;
    QVERIFY(f.MenuExceptRubi[static_cast<size_t>(level)]->isChecked());
    QVERIFY(f.PMenuDeleteFile->isChecked());
    QCOMPARE(f.HotKey, 16);
    // A browser found now is brought up at the first show like a stored one.
    QCOMPARE(app.shower.calls.size(), size_t(browser.isEmpty() ? 0 : 1));
}

void StartupTest::firstStateOfTheWindow() {
    AppFixture app(QStringLiteral("no such/Documents"));
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;

    // The data folder is created with its missing parents.
    QVERIFY(std::filesystem::is_directory(app.Data()));
    QVERIFY(f.DataFolda == app.Data().u16string());
    QCOMPARE(f.windowTitle(), QStringLiteral("ヴェルモラ"));
    QCOMPARE(f.height(), 163);
    QCOMPARE(f.width(), 335);
    QVERIFY(!f.BtnRubi->isEnabled());
    QVERIFY(f.BtnRubi->isVisible());
    QCOMPARE(f.BtnRubi->text(), QStringLiteral("ルビふり"));
    QVERIFY(!f.BtnCancel->isVisible());
    QVERIFY(!f.LblRubiing->isVisible());
    QVERIFY(!f.ProgressBar1->isVisible());
    QVERIFY(!f.ComboBoxRubiTitle->isEnabled());
    QCOMPARE(f.ComboBoxRubiTitle->count(), 1);
    QCOMPARE(f.ComboBoxRubiTitle->currentText(),
             QStringLiteral("以前(いぜん)のルビふり画面(がめん)"));
    QCOMPARE(f.LEURL->toolTip(), QStringLiteral("URL"));
    QCOMPARE(f.ImgMenu->toolTip(), QStringLiteral("メニュー"));
    QVERIFY(!f.Timer1->isActive());
    QCOMPARE(f.Timer1->interval(), 1000);
    QCOMPARE(f.RubiHTMLCount, 0);
    QCOMPARE(f.BrowserHWND, WindowId(0));
    QVERIFY(f.BrowserName[0] == u"Mozilla Firefox");
    QVERIFY(f.BrowserName[6] == u"Microsoft Edge");
    QCOMPARE(f.font().pixelSize(), 13);
}

void StartupTest::controlPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("LEURL") << "LEURL" << QRect(8, 20, 273, 24);
    QTest::newRow("ImgMenu") << "ImgMenu" << QRect(287, 8, 32, 32);
    QTest::newRow("BtnRubi") << "BtnRubi" << QRect(8, 57, 137, 34);
    QTest::newRow("ProgressBar1") << "ProgressBar1" << QRect(8, 57, 137, 17);
    QTest::newRow("LblRubiing") << "LblRubiing" << QRect(8, 75, 137, 16);
    QTest::newRow("BtnCancel") << "BtnCancel" << QRect(168, 57, 88, 34);
    QTest::newRow("ComboBoxRubiTitle") << "ComboBoxRubiTitle" << QRect(8, 104, 311, 24);
    QTest::newRow("BtnHelp") << "BtnHelp" << QRect(8, 135, 311, 25);
    QTest::newRow("PanelHelp") << "PanelHelp" << QRect(8, 165, 311, 235);
}

void StartupTest::controlPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    AppFixture app;
    QVERIFY(app.Start(false));
    auto* control = app.form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
}

void StartupTest::helpButtonTogglesTheUsagePanel() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    QCOMPARE(f.height(), 163);
    QTest::mouseClick(f.BtnHelp, Qt::LeftButton);
    QCOMPARE(f.height(), 405);
    QVERIFY(f.LblHelp->isVisible());
    QTest::mouseClick(f.BtnHelp, Qt::LeftButton);
    QCOMPARE(f.height(), 163);
}

void StartupTest::missingTlsLibraryEndsTheStart() {
    for (const char* version : {static_cast<const char*>(nullptr), ""}) {
        AppFixture app;
        app.tls = version;
        QVERIFY(!app.Start(false));
        QCOMPARE(TMessageBox::texts().size(), 1);
        QVERIFY(TMessageBox::texts()[0].startsWith(u"\"libssl.so."));
        QVERIFY(TMessageBox::texts()[0].endsWith(u"\"が見つかりません。終了します。"));
    }
    QVERIFY(MissingTlsLibrary("OpenSSL/3.0.11").empty());
}

void StartupTest::missingReadingDictionaryEndsTheStart() {
    AppFixture app;
    app.readingAvailable = false;
    QVERIFY(!app.Start(false));
    QCOMPARE(TMessageBox::texts().size(), 1);
    QVERIFY(TMessageBox::texts()[0].contains(u"mecab-ipadic-utf8"));
    QVERIFY(TMessageBox::texts()[0].endsWith(u"終了します。"));
}

void StartupTest::secondInstanceIsRefused() {
    TMessageBox::setAutoAnswer(QMessageBox::Ok);
    TMessageBox::clearHistory();
    FakeLockTable table;
    auto first = std::make_unique<FakeInstanceLock>(table);
    FakeInstanceLock second(table);
    QVERIFY(TakeSingleInstance(*first));
    QVERIFY(TMessageBox::texts().isEmpty());
    QVERIFY(!TakeSingleInstance(second));
    QCOMPARE(TMessageBox::texts(),
             QStringList{QStringLiteral(
                 "「ヴェルモラ」は既に起動しています。\rタスクバーを確認してください。")});
    // Once the first has gone, a new start runs.
    first.reset();
    QVERIFY(TakeSingleInstance(second));
}

void StartupTest::flockLockHeldUntilItsHolderEnds() {
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    {
        auto first = CreateFlockInstanceLock();
        auto second = CreateFlockInstanceLock();
        QVERIFY(first->TryLock(kInstanceLockName));
        QVERIFY(QFile::exists(runtime.path() + QStringLiteral("/VelmoraMutex")));
        QVERIFY(!second->TryLock(kInstanceLockName));
        first.reset();
        QVERIFY(second->TryLock(kInstanceLockName));
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}

void StartupTest::documentsFolderFollowsUserDirs() {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    const std::string h = home.path().toStdString();
    QCOMPARE(XdgDocumentsDir(), h + "/Documents");
    QDir(home.path()).mkpath(QStringLiteral(".config"));
    QFile dirs(home.path() + QStringLiteral("/.config/user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write(
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n");
    dirs.close();
    QCOMPARE(XdgDocumentsDir(), h + "/文書");
    qputenv("HOME", savedHome);
    if (savedConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
