// A ruby request as the user sees it: the states of the controls, the window's place,
// the written page, the history, cancel, failures, refusal and the close.
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "AppFixture.h"

using namespace velmora;

namespace {

const QString kFailed = QStringLiteral("ルビふりにしっぱいしました。");
const QString kAlready = QStringLiteral("すでにルビがふられています。");

struct Snapshot {
    bool rubiing = false, btnRubi = false, lblHelp = false, btnCancel = false, lblRubiing = false,
         progress = false, timer = false, topmost = false;
    int progressMax = 0;
};

Snapshot Take(AppFixture& app) {
    TVelmoraForm& f = *app.form;
    Snapshot s;
    s.rubiing = f.Rubiing;
    s.btnRubi = f.BtnRubi->isVisible();
    s.lblHelp = f.LblHelp->isVisible();
    s.btnCancel = f.BtnCancel->isVisible();
    s.lblRubiing = f.LblRubiing->isVisible();
    s.progress = f.ProgressBar1->isVisible();
    s.progressMax = f.ProgressBar1->maximum();
    s.timer = f.Timer1->isActive();
    s.topmost = app.placement.topmost[f.winId()];
    return s;
}

// The Done state: the ruby button back, disabled, with the given caption.
void VerifyDone(AppFixture& app, const QString& caption) {
    TVelmoraForm& f = *app.form;
    QVERIFY(!f.Rubiing);
    QVERIFY(f.BtnRubi->isVisible());
    QVERIFY(!f.BtnRubi->isEnabled());
    QCOMPARE(f.BtnRubi->text(), caption);
    QVERIFY(f.LblHelp->isVisible());
    QVERIFY(!f.BtnCancel->isVisible());
    QVERIFY(!f.LblRubiing->isVisible());
    QVERIFY(!f.ProgressBar1->isVisible());
    QVERIFY(!f.Timer1->isActive());
    QVERIFY(!app.placement.topmost[f.winId()]);
}

std::u16string Quoted(const std::filesystem::path& p) {
    return u"\"" + p.u16string() + u"\"";
}

}  // namespace

class RubiRequestUiTest : public QObject {
    Q_OBJECT

private slots:
    void urlFieldEnablesTheButton_data();
    void urlFieldEnablesTheButton();
    void requestThroughEnterWritesPageAndHistory();
    void secondPageGetsNextNumberAndHistoryShowsItsOwnPage();
    void dictionaryOfTheDataFolderApplies();
    void windowGoesBesideTheBrowser_data();
    void windowGoesBesideTheBrowser();
    void cancelWhileAnnotatingWritesNothing();
    void noSecondRequestWhileOneRuns();
    void failures_data();
    void failures();
    void ownPageIsRefused();
    void dropStartsARequest_data();
    void dropStartsARequest();
    void busyLabelAnimates();
    void closeDeletesThisRunsPages();
    void closeKeepsPagesWhenDeleteFileIsOff();
    void closeAbandonedWhenAPageCannotBeDeleted();
    void closeWhileAnnotatingLeavesNoPage();
};

void RubiRequestUiTest::urlFieldEnablesTheButton_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("three letters") << QStringList{"h", "ht", "htt"} << false;
    QTest::newRow("http with the fourth") << QStringList{"h", "ht", "htt", "http"} << true;
    QTest::newRow("FILE in capitals") << QStringList{"FILE:///tmp/a.html"} << true;
    QTest::newRow("other text") << QStringList{"ftp://example.jp/"} << false;
    QTest::newRow("cleared after enabled") << QStringList{"https://example.jp/", ""} << true;
}

void RubiRequestUiTest::urlFieldEnablesTheButton() {
    QFETCH(QStringList, texts);
    QFETCH(bool, enabled);
    AppFixture app;
    QVERIFY(app.Start());
    for (const QString& text : texts)
        app.form->LEURL->setText(text);
    QCOMPARE(app.form->BtnRubi->isEnabled(), enabled);
    if (enabled) QCOMPARE(app.form->BtnRubi->text(), QStringLiteral("ルビふり"));
    // Hovering shows the whole address.
    app.form->LEURLMouseEnter();
    QCOMPARE(app.form->LEURL->toolTip(), texts.last());
}

void RubiRequestUiTest::requestThroughEnterWritesPageAndHistory() {
    AppFixture app;
    app.placement.workArea = {40, 24, 1200, 760};
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    const QString url = app.WritePage(QStringLiteral("page.html"), SamplePage(3));
    Snapshot during;
    app.onFirstReading = [&] { during = Take(app); };
    TMessageBox::clearHistory();

    f.LEURL->setText(url);
    QVERIFY(f.BtnRubi->isEnabled());
    QTest::keyClick(f.LEURL, Qt::Key_Return);

    // Annotating: cancel and busy label and progress shown, window topmost.
    QVERIFY(during.rubiing);
    QVERIFY(!during.btnRubi);
    QVERIFY(!during.lblHelp);
    QVERIFY(during.btnCancel);
    QVERIFY(during.lblRubiing);
    QVERIFY(during.progress);
    QCOMPARE(during.progressMax, 8);  // the page's lines
    QVERIFY(during.timer);
    QVERIFY(during.topmost);

    VerifyDone(app, QStringLiteral("ルビふりおわり"));
    QVERIFY(TMessageBox::texts().isEmpty());
    QCOMPARE(f.RubiHTMLCount, 1);
    const std::string page = ReadAll(app.Page(1));
    QVERIFY(page.rfind("\xEF\xBB\xBF", 0) == 0);
    QVERIFY(page.find("漢字(かんじ)を読(よ)む日(に)") != std::string::npos);

    // Moved to the work area's corner while busy, and there again at the end.
    QVERIFY(!app.placement.calls.empty());
    const auto& firstMove = app.placement.calls.front();
    QCOMPARE(firstMove.what, std::string("move"));
    QCOMPARE(firstMove.a, 40);
    QCOMPARE(firstMove.b, 24);
    const auto& lastMove = app.placement.calls[app.placement.calls.size() - 2];
    QCOMPARE(lastMove.what, std::string("move"));
    QCOMPARE(lastMove.a, 40);

    // Shown through the page service, and listed although no browser window was found.
    QCOMPARE(app.shower.calls.size(), size_t(1));
    QVERIFY(app.shower.calls[0].quotedPath == Quoted(app.Page(1)));
    QVERIFY(!app.shower.calls[0].starting);
    QVERIFY(f.ComboBoxRubiTitle->isEnabled());
    QCOMPARE(f.ComboBoxRubiTitle->count(), 2);
    QCOMPARE(f.ComboBoxRubiTitle->itemText(1), QStringLiteral("漢字(かんじ)の本(ほん)"));
    QCOMPARE(f.ComboBoxRubiTitle->currentIndex(), 0);

    // A changed field gives the button back.
    f.LEURL->setText(url + QStringLiteral("?again"));
    QVERIFY(f.BtnRubi->isEnabled());
    QCOMPARE(f.BtnRubi->text(), QStringLiteral("ルビふり"));
}

void RubiRequestUiTest::secondPageGetsNextNumberAndHistoryShowsItsOwnPage() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    const QString first = app.WritePage(QStringLiteral("a.html"), SamplePage());
    const QString untitled =
        app.WritePage(QStringLiteral("b.html"), QByteArray("<html><body>日本</body></html>\n"));
    QVERIFY(app.Request(first));
    QVERIFY(app.Request(untitled));
    QCOMPARE(f.RubiHTMLCount, 2);
    QVERIFY(std::filesystem::exists(app.Page(2)));
    QCOMPARE(f.ComboBoxRubiTitle->itemText(2), QStringLiteral("Rubi2"));

    app.shower.calls.clear();
    f.ComboBoxRubiTitle->setCurrentIndex(1);
    f.ComboBoxRubiTitleSelect(1);
    QCOMPARE(app.shower.calls.size(), size_t(1));
    QVERIFY(app.shower.calls[0].quotedPath == Quoted(app.Page(1)));
    QCOMPARE(f.ComboBoxRubiTitle->currentIndex(), 0);
    f.ComboBoxRubiTitleSelect(0);  // the heading shows nothing
    QCOMPARE(app.shower.calls.size(), size_t(1));

    // Closing the list hands the keyboard to the URL field.
    f.ComboBoxRubiTitle->setFocus();
    f.ComboBoxRubiTitle->hidePopup();
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.LEURL));
}

void RubiRequestUiTest::dictionaryOfTheDataFolderApplies() {
    AppFixture app;
    std::filesystem::create_directories(app.Data());
    const QString dic = QStringLiteral("[RubiDic]\r\n読む日=読<よ>む日<ひ>\r\n\r\n");
    QByteArray bytes("\xFF\xFE");
    bytes += QByteArray(reinterpret_cast<const char*>(dic.utf16()), dic.size() * 2);
    std::ofstream(app.Data() / "Dictionary.ini", std::ios::binary) << bytes.toStdString();
    QVERIFY(app.Start());
    QCOMPARE(app.form->DicWordCount, 1);
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    const std::string page = ReadAll(app.Page(1));
    QVERIFY(page.find("読(よ)む日(ひ)") != std::string::npos);
    QVERIFY(page.find("日(に)") == std::string::npos);
}

void RubiRequestUiTest::windowGoesBesideTheBrowser_data() {
    QTest::addColumn<int>("browserLeft");
    QTest::addColumn<bool>("beside");
    QTest::newRow("room on the left") << 700 << true;
    QTest::newRow("no room on the left") << 200 << false;
}

void RubiRequestUiTest::windowGoesBesideTheBrowser() {
    QFETCH(int, browserLeft);
    QFETCH(bool, beside);
    AppFixture app;
    app.placement.workArea = {0, 20, 1280, 780};
    app.shower.answer = 4242;
    app.placement.windows[4242] = {browserLeft, 20, 500, 700};
    QVERIFY(app.Start());
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    QCOMPARE(app.form->BrowserHWND, WindowId(4242));
    const auto& move = app.placement.calls[app.placement.calls.size() - 2];
    QCOMPARE(move.what, std::string("move"));
    const int width = app.form->frameGeometry().width();
    QCOMPARE(move.a, beside ? browserLeft - width : 0);
    QCOMPARE(move.b, 20);
}

void RubiRequestUiTest::cancelWhileAnnotatingWritesNothing() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    app.onFirstReading = [&] { QTest::mouseClick(f.BtnCancel, Qt::LeftButton); };
    TMessageBox::clearHistory();
    QVERIFY(app.Request(app.WritePage(QStringLiteral("long.html"), SamplePage(40))));
    VerifyDone(app, QStringLiteral("ルビふりおわり"));
    QCOMPARE(f.RubiHTMLCount, 0);
    QVERIFY(!std::filesystem::exists(app.Page(1)));
    QVERIFY(TMessageBox::texts().isEmpty());
    QCOMPARE(f.ComboBoxRubiTitle->count(), 1);

    // The next page gets the first number.
    QVERIFY(app.Request(app.WritePage(QStringLiteral("short.html"), SamplePage())));
    QCOMPARE(f.RubiHTMLCount, 1);
    QVERIFY(std::filesystem::exists(app.Page(1)));
}

void RubiRequestUiTest::noSecondRequestWhileOneRuns() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    const QString url = app.WritePage(QStringLiteral("p.html"), SamplePage(5));
    app.onFirstReading = [&] {
        f.LEURL->setText(url);
        QTest::keyClick(f.LEURL, Qt::Key_Return);
        f.DropURLTarget1Drop(url);
        f.PMenuExceptRubiClick(3);
        QTest::qWait(20);
    };
    QVERIFY(app.Request(url));
    QTest::qWait(20);
    QCOMPARE(f.RubiHTMLCount, 1);
    QCOMPARE(app.shower.calls.size(), size_t(1));
    // The level change itself is kept.
    QCOMPARE(f.ExceptRubiLevel, 3);
    QCOMPARE(IniFile(app.Data() / "Config.ini").ReadInteger(u"ExceptRubi", u"Value", 0), 3);
}

void RubiRequestUiTest::failures_data() {
    QTest::addColumn<QByteArray>("page");  // "missing": no file
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::newRow("empty page") << QByteArray() << kFailed << int(QMessageBox::Information);
    QTest::newRow("missing file") << QByteArray("missing") << QString()
                                  << int(QMessageBox::Critical);
}

void RubiRequestUiTest::failures() {
    QFETCH(QByteArray, page);
    QFETCH(QString, message);
    QFETCH(int, icon);
    AppFixture app;
    QVERIFY(app.Start());
    TMessageBox::clearHistory();
    QString url = app.WritePage(QStringLiteral("page.html"), page);
    if (page == "missing")
        url = QStringLiteral("file://") + app.tmp.path() + QStringLiteral("/gone.html");
    QVERIFY(app.Request(url));
    VerifyDone(app, QStringLiteral("ルビふりおわり"));
    QCOMPARE(app.form->RubiHTMLCount, 0);
    QCOMPARE(app.form->ComboBoxRubiTitle->count(), 1);
    QCOMPARE(TMessageBox::history().size(), 1);
    QCOMPARE(int(TMessageBox::history()[0].icon), icon);
    if (!message.isEmpty())
        QCOMPARE(TMessageBox::texts()[0], message);
    else
        QVERIFY(TMessageBox::texts()[0].contains(QStringLiteral("gone.html")));
}

void RubiRequestUiTest::ownPageIsRefused() {
    // A space in the data folder's path: the browser shows it as %20.
    AppFixture app(QStringLiteral("My Documents"));
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    QCOMPARE(f.RubiHTMLCount, 1);

    TMessageBox::clearHistory();
    const size_t calls = app.placement.calls.size();
    QString own = QStringLiteral("file://") + QString::fromStdU16String(app.Page(1).u16string());
    own.replace(u' ', QStringLiteral("%20"));
    f.LEURL->setText(own);
    QVERIFY(f.BtnRubi->isEnabled());
    f.BtnRubi->click();
    QCOMPARE(TMessageBox::texts(), QStringList{kAlready});
    QCOMPARE(f.RubiHTMLCount, 1);
    QCOMPARE(app.placement.calls.size(), calls);  // the window stays where it is
    QVERIFY(f.BtnRubi->isVisible());
    QVERIFY(!f.BtnRubi->isEnabled());
    QVERIFY(!f.LblRubiing->isVisible());
    QVERIFY(f.LblHelp->isVisible());

    // A page of an earlier run with a higher number is an ordinary page.
    std::filesystem::copy_file(app.Page(1), app.Page(5));
    TMessageBox::clearHistory();
    QVERIFY(app.Request(QStringLiteral("file://") +
                        QString::fromStdU16String(app.Page(5).u16string())));
    QVERIFY(TMessageBox::texts().isEmpty());
    QCOMPARE(f.RubiHTMLCount, 2);
}

void RubiRequestUiTest::dropStartsARequest_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("text/uri-list") << "text/uri-list";
    QTest::newRow("text/x-moz-url") << "text/x-moz-url";
    QTest::newRow("plain text") << "text/plain";
}

void RubiRequestUiTest::dropStartsARequest() {
    QFETCH(QString, format);
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    const QString url = app.WritePage(QStringLiteral("dropped page.html"), SamplePage())
                            .replace(u' ', QStringLiteral("%20"));
    QMimeData mime;
    if (format == u"text/x-moz-url") {
        const QString text = url + QStringLiteral("\nThe page");
        mime.setData(format,
                     QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    } else if (format == u"text/uri-list") {
        mime.setData(format, ("# from a browser\r\n" + url + "\r\n").toUtf8());
    } else {
        mime.setText(url + QStringLiteral("\n"));
    }
    QCOMPARE(UrlFromMimeData(&mime), url);

    const QPoint inside = f.LEURL->rect().center();
    QDragEnterEvent enter(inside, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(f.LEURL, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(inside), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(f.LEURL, &drop);
    QCOMPARE(f.LEURL->text(), url);
    QTRY_COMPARE(f.RubiHTMLCount, 1);
    QTRY_VERIFY(!f.Rubiing);

    // Data without an address is turned away.
    QMimeData words;
    words.setText(QStringLiteral("ただの文字"));
    QVERIFY(UrlFromMimeData(&words).isEmpty());
    QDragEnterEvent refused(inside, Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.LEURL, &refused);
    QVERIFY(!refused.isAccepted());
}

void RubiRequestUiTest::busyLabelAnimates() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    f.Rubiing = true;
    f.BtnRubi->setEnabled(true);
    QStringList seen;
    for (int i = 0; i < 6; ++i) {
        f.Timer1Timer();
        seen << f.LblRubiing->text();
    }
    QCOMPARE(seen, (QStringList{"ルビふりちゅう.", "ルビふりちゅう..", "ルビふりちゅう...",
                                "ルビふりちゅう....", "ルビふりちゅう.....", "ルビふりちゅう."}));
    QVERIFY(!f.BtnRubi->isEnabled());
    f.Rubiing = false;
}

void RubiRequestUiTest::closeDeletesThisRunsPages() {
    AppFixture app;
    QVERIFY(app.Start());
    const QString url = app.WritePage(QStringLiteral("p.html"), SamplePage());
    QVERIFY(app.Request(url));
    QVERIFY(app.Request(app.WritePage(QStringLiteral("q.html"), SamplePage())));
    QCOMPARE(app.form->RubiHTMLCount, 2);
    std::filesystem::copy_file(app.Page(1), app.Page(3));  // a page of an earlier run
    QVERIFY(app.form->close());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
    QVERIFY(!std::filesystem::exists(app.Page(2)));
    QVERIFY(std::filesystem::exists(app.Page(3)));
}

void RubiRequestUiTest::closeKeepsPagesWhenDeleteFileIsOff() {
    AppFixture app;
    app.WriteConfig("[DeleteFile]\nValue=0\n");
    QVERIFY(app.Start());
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    QVERIFY(app.form->close());
    QVERIFY(std::filesystem::exists(app.Page(1)));
}

void RubiRequestUiTest::closeAbandonedWhenAPageCannotBeDeleted() {
    AppFixture app;
    QVERIFY(app.Start());
    const QString url = app.WritePage(QStringLiteral("p.html"), SamplePage());
    QVERIFY(app.Request(url));
    QVERIFY(app.Request(app.WritePage(QStringLiteral("q.html"), SamplePage())));
    // Page 1 turned into a folder that is not empty: it cannot be deleted.
    std::filesystem::remove(app.Page(1));
    std::filesystem::create_directories(app.Page(1) / "inside");
    TMessageBox::clearHistory();
    QVERIFY(!app.form->close());
    QVERIFY(app.form->isVisible());
    QCOMPARE(TMessageBox::history().size(), 1);
    QCOMPARE(TMessageBox::history()[0].icon, QMessageBox::Critical);
    QVERIFY(TMessageBox::texts()[0].contains(QStringLiteral("Rubi1.html")));
    QVERIFY(std::filesystem::exists(app.Page(2)));

    // Closing again tries again.
    std::filesystem::remove_all(app.Page(1));
    QVERIFY(app.form->close());
    QVERIFY(!std::filesystem::exists(app.Page(2)));
}

void RubiRequestUiTest::closeWhileAnnotatingLeavesNoPage() {
    AppFixture app;
    QVERIFY(app.Start());
    app.onFirstReading = [&] { app.form->close(); };
    TMessageBox::clearHistory();
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage(40))));
    QVERIFY(!app.form->isVisible());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
    QVERIFY(TMessageBox::texts().isEmpty());
}

QTEST_MAIN(RubiRequestUiTest)
#include "RubiRequestUiTest.moc"
