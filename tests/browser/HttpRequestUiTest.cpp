// Requests of web pages through the window: the download worker's news reaches the window
// through its event loop, and the cancel button stops a download that is under way.
#include <httplib.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <thread>

#include "AppFixture.h"

using namespace velmora;

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

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> slowEntered_{false};
    std::atomic<bool> release_{false};
};

void HttpRequestUiTest::initTestCase() {
    server_.Get("/page", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(SamplePage(4).toStdString(), "text/html; charset=utf-8");
    });
    server_.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
        slowEntered_ = true;
        for (int i = 0; i < 300 && !release_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content(SamplePage().toStdString(), "text/html");
    });
    server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("not here", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    QVERIFY(port_ > 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
}

void HttpRequestUiTest::cleanupTestCase() {
    release_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
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
