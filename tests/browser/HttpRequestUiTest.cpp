// Requests of web pages through the window: the download worker's news reaches the window
// through its event loop, and the cancel button stops a download that is under way.
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <thread>

#include "AppFixture.h"
#include "pipeline/LocalHttpServer.h"

using namespace velmora;
using namespace velmora::localhttp;

class HttpRequestUiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void downloadedPageIsWritten();
    void cancelDuringTheDownload();
    void serverErrorIsAFailure();
    void closeDuringTheDownload();

private:
    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(path));
    }

    std::unique_ptr<LocalHttpServer> server_;
    int port_ = 0;
    std::atomic<bool> slowEntered_{false};
    std::atomic<bool> release_{false};
};

void HttpRequestUiTest::initTestCase() {
    server_ = std::make_unique<LocalHttpServer>([this](const HttpRequest& req,
                                                       HttpConnection& conn) {
        if (req.target == "/page") {
            conn.Send(HttpReply(200, SamplePage(4).toStdString(),
                                "Content-Type: text/html; charset=utf-8\r\n"));
        } else if (req.target == "/slow") {
            slowEntered_ = true;
            for (int i = 0; i < 300 && !release_ && !server_->stopping(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            conn.Send(HttpReply(200, SamplePage().toStdString(), "Content-Type: text/html\r\n"));
        } else {
            conn.Send(HttpReply(404, "not here", "Content-Type: text/plain\r\n"));
        }
    });
    port_ = server_->port();
    QVERIFY(port_ > 0);
}

void HttpRequestUiTest::cleanupTestCase() {
    release_ = true;
    server_.reset();
}

void HttpRequestUiTest::downloadedPageIsWritten() {
    AppFixture app;
    QVERIFY(app.Start());
    TMessageBox::clearHistory();
    QVERIFY(app.Request(Url("/page")));
    QVERIFY(TMessageBox::texts().isEmpty());
    QCOMPARE(app.form->RubiHTMLCount, 1);
    QVERIFY(ReadAll(app.Page(1)).find("漢字(かんじ)") != std::string::npos);
    QVERIFY(app.form->LProtocol == u"http:");
    QCOMPARE(app.form->ComboBoxRubiTitle->count(), 2);
    QVERIFY(!app.form->IsDownLoading);
}

void HttpRequestUiTest::cancelDuringTheDownload() {
    AppFixture app;
    QVERIFY(app.Start());
    TVelmoraForm& f = *app.form;
    TMessageBox::clearHistory();
    slowEntered_ = false;
    release_ = false;
    bool busyWhileWaiting = false;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!slowEntered_) return;
        poll.stop();
        busyWhileWaiting = f.BtnCancel->isVisible() && f.LblRubiing->isVisible() &&
                           !f.BtnRubi->isVisible() && f.IsDownLoading;
        QTest::mouseClick(f.BtnCancel, Qt::LeftButton);
    });
    poll.start();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(app.Request(Url("/slow")));
    // Ended by the cancel, not by the server's late answer.
    QVERIFY(clock.elapsed() < 2500);
    release_ = true;
    QVERIFY(busyWhileWaiting);
    QVERIFY(TMessageBox::texts().isEmpty());
    QCOMPARE(f.RubiHTMLCount, 0);
    QVERIFY(!std::filesystem::exists(app.Page(1)));
    QVERIFY(!f.Rubiing);
    QCOMPARE(f.BtnRubi->text(), QStringLiteral("ルビふりおわり"));
}

void HttpRequestUiTest::serverErrorIsAFailure() {
    AppFixture app;
    QVERIFY(app.Start());
    TMessageBox::clearHistory();
    QVERIFY(app.Request(Url("/missing")));
    QCOMPARE(TMessageBox::texts(), QStringList{QStringLiteral("ルビふりにしっぱいしました。")});
    QCOMPARE(app.form->RubiHTMLCount, 0);
    QVERIFY(!app.form->BtnCancel->isVisible());
}

void HttpRequestUiTest::closeDuringTheDownload() {
    AppFixture app;
    QVERIFY(app.Start());
    TMessageBox::clearHistory();
    slowEntered_ = false;
    release_ = false;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (slowEntered_) {
            poll.stop();
            app.form->close();
        }
    });
    poll.start();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(app.Request(Url("/slow")));
    QVERIFY(clock.elapsed() < 2500);
    release_ = true;
    QVERIFY(!app.form->isVisible());
    QVERIFY(TMessageBox::texts().isEmpty());
    QVERIFY(!std::filesystem::exists(app.Page(1)));
}

QTEST_MAIN(HttpRequestUiTest)
#include "HttpRequestUiTest.moc"
