// The whole road with a real browser: Firefox ESR shows a Japanese page served on
// 127.0.0.1, the user focuses its address bar and releases Shift, and Firefox ends up
// showing the ruby page with readings, beside the tool.
#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QScreen>

#include "AppFixture.h"
#include "FirefoxSession.h"
#include "XvfbSession.h"
#include "pipeline/LocalHttpServer.h"
#include "platform/VirtualKeys.h"

using namespace velmora;
using namespace velmora::localhttp;

namespace {
XvfbSession* g_session = nullptr;

const std::string kPage =
    "<html><head><meta charset=\"utf-8\"><title>日本の漢字</title></head>\n"
    "<body style=\"font-size:28px\">\n<h1>日本の漢字</h1>\n"
    "<p>私は毎日学校で新しい漢字を勉強します。</p>\n"
    "<p>図書館で本を読むのが好きです。</p>\n</body></html>\n";
}  // namespace

class X11FirefoxTest : public QObject {
    Q_OBJECT

private slots:
    void rubyKeyInFirefoxShowsTheRubyPage();
};

void X11FirefoxTest::rubyKeyInFirefoxShowsTheRubyPage() {
    if (!g_session) QSKIP("no X display for this test");
    if (!FirefoxSession::Installed()) QSKIP("firefox-esr is not installed (tools/setup.sh)");
    LocalHttpServer server([](const HttpRequest&, HttpConnection& conn) {
        conn.Send(HttpReply(200, kPage, "Content-Type: text/html; charset=utf-8\r\n"));
    });
    QVERIFY(server.port() > 0);
    const QString url = QStringLiteral("http://127.0.0.1:%1/nihon.html").arg(server.port());

    // The services outlive the Firefox they started.
    PlatformServices services = CreatePlatformServices();
    FirefoxSession firefox;
    QString why;
    QVERIFY2(firefox.Prepare(&why), qPrintable(why));
    const WindowId window = firefox.Start(services, url, &why);
    QVERIFY2(window != 0, qPrintable(why));
    QTRY_VERIFY_WITH_TIMEOUT(services.windows->Title(window) == u"日本の漢字 — Mozilla Firefox",
                             60000);

    AppFixture app;
    app.desktop = &services;
    app.realReading = true;
    app.WriteConfig(std::string("[BrowserExeName]\nValue=") + kFirefoxEsr +
                    "\n[HotKey]\nValue=16\nName=Shift\n");
    QVERIFY(app.Start());
    QCOMPARE(app.logic->BrowserHWND, window);

    // The address bar focused (Ctrl+L), then Shift let go.
    services.placement->Activate(window);
    QTRY_COMPARE(services.windows->Foreground(), window);
    // Firefox takes the keyboard a moment after the window manager gives it the focus;
    // nothing tells from outside when, so the address bar is asked for twice.
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(700);
        services.input->SendKeys(
            {{vk::Control, false}, {'L', false}, {'L', true}, {vk::Control, true}});
    }
    QTest::qWait(300);
    services.input->SendKeys({{vk::Shift, false}, {vk::Shift, true}});

    if (!QTest::qWaitFor([&] { return app.logic->RubiHTMLCount == 1; }, 60000)) {
        std::u16string text;
        app.clipboard.ReadText(text);
        qWarning(
            "no page: clipboard \"%s\", URL field \"%s\", copied %d, clipboard busy %d, "
            "front %lx (Firefox %lx)",
            qPrintable(QString::fromStdU16String(text)), qPrintable(app.form->LEURL->text()),
            app.logic->IsURLCopyed, app.logic->ClipBoardRubiing,
            static_cast<unsigned long>(services.windows->Foreground()),
            static_cast<unsigned long>(window));
        QFAIL("the ruby key brought no page");
    }
    const std::string page = ReadAll(app.Page(1));
    QVERIFY2(page.find("漢字(かんじ)") != std::string::npos, page.c_str());
    const auto title = QRegularExpression(QStringLiteral("<title>([^<]*)</title>"))
                           .match(QString::fromStdString(page))
                           .captured(1);
    QVERIFY(title.contains(QStringLiteral("(かんじ)")));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdU16String(services.windows->Title(window)),
                              title + QStringLiteral(" — Mozilla Firefox"), 60000);
    QCOMPARE(app.form->LEURL->text(), url);

    // A picture of the desktop: the tool beside Firefox showing the ruby page.
    QTest::qWait(1500);  // let Firefox paint the page it has loaded
    const QString shot = QStringLiteral(VELMORA_BIN_DIR "/../firefox-ruby-page.png");
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(shot));
    qInfo("screenshot: %s", qPrintable(QDir::cleanPath(shot)));
}

int main(int argc, char** argv) {
    XvfbSession session;
    QString why;
    if (session.Start(&why, QStringLiteral("1366x768x24"))) {
        g_session = &session;
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    X11FirefoxTest test;
    const int result = QTest::qExec(&test, argc, argv);
    g_session = nullptr;
    return result;
}

#include "X11FirefoxTest.moc"
