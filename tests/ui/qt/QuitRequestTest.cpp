// Ending the run from outside the window: SIGTERM, SIGINT and SIGHUP (a logout ends the
// session's processes so), and the event loop told to quit (the session manager's end).
// Each ends the run as closing the window does.
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <csignal>

#include "AppFixture.h"
#include "pipeline/LocalHttpServer.h"
#include "ui/qt/QuitRequests.h"

using namespace velmora;

class QuitRequestTest : public QObject {
    Q_OBJECT

private slots:
    void signalEndsTheRunAsACloseDoes_data();
    void signalEndsTheRunAsACloseDoes();
    void signalWhileConnecting();
    void quitOfTheLoopClosesTheWindowFirst();
};

void QuitRequestTest::signalEndsTheRunAsACloseDoes_data() {
    QTest::addColumn<int>("sig");
    QTest::addColumn<bool>("deleteFile");
    QTest::newRow("SIGTERM") << SIGTERM << true;
    QTest::newRow("SIGINT") << SIGINT << true;
    QTest::newRow("SIGHUP") << SIGHUP << true;
    QTest::newRow("SIGTERM, pages kept") << SIGTERM << false;
}

void QuitRequestTest::signalEndsTheRunAsACloseDoes() {
    QFETCH(int, sig);
    QFETCH(bool, deleteFile);
    AppFixture app;
    if (!deleteFile) app.WriteConfig("[DeleteFile]\nValue=0\n");
    QVERIFY(app.Start());
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    QVERIFY(std::filesystem::exists(app.Page(1)));
    CloseOnQuitRequests(*app.form);
    app.services.messages.ClearHistory();
    QTimer::singleShot(50, this, [sig] { std::raise(sig); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!app.form->isVisible());
    QCOMPARE(std::filesystem::exists(app.Page(1)), !deleteFile);
    QVERIFY(app.services.messages.History().isEmpty());
}

void QuitRequestTest::signalWhileConnecting() {
    AppFixture app;
    QVERIFY(app.Start());
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    CloseOnQuitRequests(*app.form);
    app.services.messages.ClearHistory();
    localhttp::StuckListener stuck;
    QElapsedTimer clock;
    bool requestEnded = false;
    QTimer::singleShot(0, this,
                       [&] { requestEnded = app.Request(QString::fromStdString(stuck.Url())); });
    QTimer::singleShot(300, this, [] { std::raise(SIGTERM); });
    clock.start();
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY2(clock.elapsed() < 1500, "the run outlived the signal");
    QVERIFY(requestEnded);
    QVERIFY(!app.form->isVisible());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
    QCOMPARE(app.logic->RubiHTMLCount, 1);
    QVERIFY(app.services.messages.History().isEmpty());
}

void QuitRequestTest::quitOfTheLoopClosesTheWindowFirst() {
    AppFixture app;
    QVERIFY(app.Start());
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    CloseOnQuitRequests(*app.form);
    app.services.messages.ClearHistory();
    QTimer::singleShot(50, this, [] { QCoreApplication::exit(0); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!app.form->isVisible());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
}

QTEST_MAIN(QuitRequestTest)
#include "QuitRequestTest.moc"
