// The Qt view of the main window: its widgets stand where the layout says, show what the
// logic says, and forward the user's clicks, keys, menu choices and drops to it.
#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

#include "AppFixture.h"

using namespace velmora;

class QtViewTest : public QObject {
    Q_OBJECT

private slots:
    void controlPlaces_data();
    void controlPlaces();
    void firstStateOfTheWindow();
    void helpButtonTogglesTheUsagePanel();
    void requestThroughTheWidgets();
    void menuShowsAndForwardsTheLogicsEntries();
    void dropStartsARequest_data();
    void dropStartsARequest();
    void errorBoxIsRecorded();
};

void QtViewTest::controlPlaces_data() {
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

void QtViewTest::controlPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    AppFixture app;
    QVERIFY(app.Start(false));
    auto* control = app.form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
}

void QtViewTest::firstStateOfTheWindow() {
    AppFixture app;
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("ヴェルモラ"));
    QCOMPARE(f.height(), 163);
    QCOMPARE(f.width(), 335);
    QCOMPARE(f.font().pixelSize(), 13);
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
    QVERIFY(f.LblHelp->text().startsWith(QStringLiteral("表示中(ひょうじちゅう)のブラウザが\n")));
    QVERIFY(!app.services.timer.Active());
    QCOMPARE(app.services.timer.Interval(), 1000);
}

void QtViewTest::helpButtonTogglesTheUsagePanel() {
    AppFixture app;
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
    QCOMPARE(f.height(), 163);
    QTest::mouseClick(f.BtnHelp, Qt::LeftButton);
    QCOMPARE(f.height(), 405);
    QVERIFY(f.LblHelp->isVisible());
    QTest::mouseClick(f.BtnHelp, Qt::LeftButton);
    QCOMPARE(f.height(), 163);
}

void QtViewTest::requestThroughTheWidgets() {
    AppFixture app;
    app.placement.workArea = {40, 24, 1200, 760};
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
    const QString url = app.WritePage(QStringLiteral("page.html"), SamplePage(3));
    bool busyShown = false;
    int progressMax = 0;
    app.onFirstReading = [&] {
        busyShown = !f.BtnRubi->isVisible() && !f.LblHelp->isVisible() &&
                    f.BtnCancel->isVisible() && f.LblRubiing->isVisible() &&
                    f.ProgressBar1->isVisible() && app.services.timer.Active();
        progressMax = f.ProgressBar1->maximum();
    };
    app.services.messages.ClearHistory();

    // Typed into the field: the logic hears every change and gives the button.
    QTest::keyClicks(f.LEURL, url);
    QCOMPARE(app.logic->LEURL.Text(), url.toStdU16String());
    QVERIFY(f.BtnRubi->isEnabled());
    QTest::keyClick(f.LEURL, Qt::Key_Return);

    QVERIFY(busyShown);
    QCOMPARE(progressMax, 8);
    QVERIFY(!app.logic->Rubiing);
    QVERIFY(f.BtnRubi->isVisible());
    QVERIFY(!f.BtnRubi->isEnabled());
    QCOMPARE(f.BtnRubi->text(), QStringLiteral("ルビふりおわり"));
    QVERIFY(f.LblHelp->isVisible());
    QVERIFY(!f.BtnCancel->isVisible());
    QVERIFY(!f.LblRubiing->isVisible());
    QVERIFY(!f.ProgressBar1->isVisible());
    QVERIFY(app.services.messages.Texts().isEmpty());
    QCOMPARE(app.logic->RubiHTMLCount, 1);
    QVERIFY(ReadAll(app.Page(1)).find("漢字(かんじ)を読(よ)む日(に)") != std::string::npos);
    QCOMPARE(app.placement.calls.front().window, WindowId(f.winId()));

    // The history list shows the new entry; picking it shows its page.
    QVERIFY(f.ComboBoxRubiTitle->isEnabled());
    QCOMPARE(f.ComboBoxRubiTitle->count(), 2);
    QCOMPARE(f.ComboBoxRubiTitle->itemText(1), QStringLiteral("漢字(かんじ)の本(ほん)"));
    app.shower.calls.clear();
    emit f.ComboBoxRubiTitle->activated(1);
    QCOMPARE(app.shower.calls.size(), size_t(1));
    QCOMPARE(f.ComboBoxRubiTitle->currentIndex(), 0);
    // Closing the list hands the keyboard to the URL field.
    f.ComboBoxRubiTitle->setFocus();
    f.ComboBoxRubiTitle->hidePopup();
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.LEURL));

    // Hovering shows the whole address.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(f.LEURL, &enter);
    QCOMPARE(f.LEURL->toolTip(), url);

    // Closing through the window runs the logic's clean-up.
    QVERIFY(f.close());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
}

void QtViewTest::menuShowsAndForwardsTheLogicsEntries() {
    AppFixture app;
    app.WriteConfig("[ExceptRubi]\nValue=2\n[BrowserExeName]\nValue=/usr/bin/firefox\n");
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
    TVelmoraForm& logic = *app.logic;
    QList<QAction*> entries = f.PopupMenu1->actions();
    QCOMPARE(entries.size(), 11);
    QCOMPARE(entries[0]->objectName(), QStringLiteral("PMenuBrowser"));
    QCOMPARE(entries[0]->text(),
             QStringLiteral("ルビを表示(ひょうじ)するブラウザ:Mozilla Firefox(&B)"));
    QVERIFY(entries[8]->isSeparator());
    auto* levels = f.PopupMenu1->findChild<QMenu*>(QStringLiteral("PMenuRubiLevel"));
    QVERIFY(levels);
    QCOMPARE(levels->actions().size(), 7);
    QVERIFY(levels->actions()[2]->isChecked());

    // Choosing a level: the logic stores it and the menu shows its check only.
    levels->actions()[4]->trigger();
    QCOMPARE(logic.ExceptRubiLevel, 4);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(levels->actions()[i]->isChecked(), i == 4);
    // Choosing the checked level again leaves it checked.
    levels->actions()[4]->trigger();
    QVERIFY(levels->actions()[4]->isChecked());

    QAction* deleteFile = f.Action(*logic.PMenuDeleteFile);
    QVERIFY(deleteFile->isChecked());
    deleteFile->trigger();
    QVERIFY(!logic.PMenuDeleteFile->Checked());
    QVERIFY(!deleteFile->isChecked());
    QCOMPARE(IniFile(app.Data() / "Config.ini").ReadInteger(u"DeleteFile", u"Value", 1), 0);

    // The menu picture opens the menu with its top left corner at the mouse cursor.
    QCursor::setPos(f.mapToGlobal(QPoint(10, 20)));
    QTest::mouseClick(f.ImgMenu, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return f.PopupMenu1->isVisible(); }, 2000));
    QCOMPARE(f.PopupMenu1->pos(), QCursor::pos());
    f.PopupMenu1->hide();
}

void QtViewTest::dropStartsARequest_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("text/uri-list") << "text/uri-list";
    QTest::newRow("text/x-moz-url") << "text/x-moz-url";
    QTest::newRow("plain text") << "text/plain";
}

void QtViewTest::dropStartsARequest() {
    QFETCH(QString, format);
    AppFixture app;
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
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
    QTRY_COMPARE(app.logic->RubiHTMLCount, 1);
    QTRY_VERIFY(!app.logic->Rubiing);

    // Data without an address is turned away.
    QMimeData words;
    words.setText(QStringLiteral("ただの文字"));
    QVERIFY(UrlFromMimeData(&words).isEmpty());
    QDragEnterEvent refused(inside, Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.LEURL, &refused);
    QVERIFY(!refused.isAccepted());
}

void QtViewTest::errorBoxIsRecorded() {
    AppFixture app;
    QVERIFY(app.Start());
    app.services.messages.ClearHistory();
    QVERIFY(app.Request(QStringLiteral("file://") + app.tmp.path() + QStringLiteral("/gone.html")));
    QCOMPARE(app.services.messages.History().size(), 1);
    QCOMPARE(app.services.messages.History()[0].icon, TMessageBox::Critical);
    QVERIFY(app.services.messages.Texts()[0].contains(QStringLiteral("gone.html")));
}

QTEST_MAIN(QtViewTest)
#include "QtViewTest.moc"
