// The ruby key and the clipboard end to end on a real X display with openbox: the tool
// starts the stand-in browser, finds and places it; a key released in the browser's
// address bar (faked with XTest) makes the tool copy the address, annotate the page and
// show it in that browser.
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QSignalSpy>

#include "AppFixture.h"
#include "XvfbSession.h"
#include "platform/VirtualKeys.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

namespace {

XvfbSession* g_session = nullptr;

QString TestBrowserPath() {
    return QFileInfo(QStringLiteral(VELMORA_BIN_DIR "/velmora-test-browser")).canonicalFilePath();
}

// The tool with the stand-in browser as its chosen browser, showing the address of a page.
struct World {
    PlatformServices services = CreatePlatformServices();
    AppFixture app;
    QString url;

    bool Start(int hotKey = kVkShift, const char* name = "Shift") {
        url = app.WritePage(QStringLiteral("page.html"), SamplePage());
        qputenv("VELMORA_TB_LOG", LogPath().toLocal8Bit());
        qputenv("VELMORA_TB_SOCKET", (app.tmp.path() + QStringLiteral("/tb.socket")).toLocal8Bit());
        qputenv("VELMORA_TB_URL", url.toUtf8());
        app.desktop = &services;
        app.WriteConfig("[BrowserExeName]\nValue=" + TestBrowserPath().toStdString() +
                        "\n[HotKey]\nValue=" + std::to_string(hotKey) + "\nName=" + name + "\n");
        return app.Start() && app.logic->BrowserHWND != 0;
    }
    ~World() {
        // The browser goes with the launcher; its window first, so no test sees it.
        if (app.logic && app.logic->BrowserHWND) {
            const ProcessId pid = services.windows->ProcessOf(app.logic->BrowserHWND);
            if (pid) services.launcher->Terminate(pid);
        }
    }

    QString LogPath() const { return app.tmp.path() + QStringLiteral("/browser.log"); }
    QString Log() const {
        QFile f(LogPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    WindowId Browser() const { return app.logic->BrowserHWND; }

    bool Front(WindowId window) {
        services.placement->Activate(window);
        return QTest::qWaitFor([&] { return services.windows->Foreground() == window; }, 5000);
    }
    void Tap(int vk) { services.input->SendKeys({{vk, false}, {vk, true}}); }

    // The browser shows ruby page `n` in its window and title.
    bool Shows(int n) {
        const QString page = QString::fromStdString(app.Page(n).string());
        const bool shown = QTest::qWaitFor(
            [&] {
                return Log().contains(QStringLiteral("shown ") + page) &&
                       services.windows->Title(Browser()).find(u"漢字(かんじ)") !=
                           std::u16string::npos;
            },
            20000);
        if (!shown)
            qWarning("browser log:\n%s\ntitle: %s", qPrintable(Log()),
                     qPrintable(QString::fromStdU16String(services.windows->Title(Browser()))));
        return shown;
    }
};

}  // namespace

class X11TriggerTest : public QObject {
    Q_OBJECT

private slots:
    void startUpStartsAndPlacesTheBrowser();
    void rubyKeyShowsThePageWithReadings_data();
    void rubyKeyShowsThePageWithReadings();
    void rubyKeyIgnoredOutsideABrowserAndWhileHeld();
    void clipboardWithTheKeyHeld();
};

void X11TriggerTest::startUpStartsAndPlacesTheBrowser() {
    if (!g_session) QSKIP("no X display for this test");
    World w;
    QVERIFY(w.Start());
    QVERIFY(w.app.services.messages.Texts().isEmpty());
    QVERIFY(w.Log().startsWith(QStringLiteral("args \n")));
    Rect area, tool, browser;
    QVERIFY(w.services.placement->WorkArea(area));
    QTRY_VERIFY(w.services.placement->WindowRect(w.app.form->winId(), tool) && tool.left == 0);
    QTRY_VERIFY(w.services.placement->WindowRect(w.Browser(), browser) &&
                browser == (Rect{tool.width, area.top, (2 * area.width + 1) / 3, area.height}));
}

void X11TriggerTest::rubyKeyShowsThePageWithReadings_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("name");
    QTest::newRow("Shift") << kVkShift << QStringLiteral("Shift");
    QTest::newRow("Ctrl") << kVkControl << QStringLiteral("Ctrl");
}

void X11TriggerTest::rubyKeyShowsThePageWithReadings() {
    if (!g_session) QSKIP("no X display for this test");
    QFETCH(int, key);
    QFETCH(QString, name);
    World w;
    QVERIFY(w.Start(key, name.toUtf8().constData()));
    QVERIFY(w.Front(w.Browser()));
    w.Tap(key);
    QTRY_COMPARE_WITH_TIMEOUT(w.app.logic->RubiHTMLCount, 1, 20000);
    QVERIFY(w.Shows(1));
    const QString log = w.Log();
    QCOMPARE(log.count(QStringLiteral("key Ctrl+A\n")), 1);
    QCOMPARE(log.count(QStringLiteral("key Ctrl+C\n")), 1);
    QVERIFY(log.indexOf(QStringLiteral("key Ctrl+A\n")) < log.indexOf(QStringLiteral("click")));
    QCOMPARE(w.app.form->LEURL->text(), w.url);
    QTRY_VERIFY(!w.app.logic->IsURLCopyed && !w.app.logic->ClipBoardRubiing &&
                !w.app.logic->NoForRubi);
    QVERIFY(w.app.logic->LblHelp.Visible());
    QVERIFY(!w.app.logic->LblRubiing.Visible());
    // The tool's own Ctrl keys started nothing more.
    QCOMPARE(w.app.logic->RubiHTMLCount, 1);
}

void X11TriggerTest::rubyKeyIgnoredOutsideABrowserAndWhileHeld() {
    if (!g_session) QSKIP("no X display for this test");
    World w;
    QVERIFY(w.Start());
    Display* x = g_session->x;
    // A window of another program in front.
    const Window other =
        XCreateSimpleWindow(x, DefaultRootWindow(x), 50, 50, 300, 200, 0, 0, 0xffffff);
    XStoreName(x, other, "xterm");
    XMapWindow(x, other);
    XSync(x, False);
    QVERIFY(w.Front(other));
    w.Tap(kVkShift);
    // The tool itself in front.
    QVERIFY(w.Front(w.app.form->winId()));
    w.Tap(kVkShift);
    // In the browser, the key held (repeated presses) and then let go: one trigger.
    QVERIFY(w.Front(w.Browser()));
    for (int i = 0; i < 3; ++i)
        w.services.input->SendKeys({{kVkShift, false}});
    w.services.input->SendKeys({{kVkShift, true}});
    QTRY_COMPARE_WITH_TIMEOUT(w.app.logic->RubiHTMLCount, 1, 20000);
    QVERIFY(w.Shows(1));
    // Only the last release typed into the browser: the reports come in order, so the
    // ones before were looked at and passed over.
    QCOMPARE(w.Log().count(QStringLiteral("key Ctrl+A\n")), 1);
    XDestroyWindow(x, other);
    XSync(x, False);
}

void X11TriggerTest::clipboardWithTheKeyHeld() {
    if (!g_session) QSKIP("no X display for this test");
    World w;
    QVERIFY(w.Start());
    QVERIFY(w.Front(w.app.form->winId()));
    QClipboard* clipboard = QGuiApplication::clipboard();
    QSignalSpy changes(clipboard, &QClipboard::changed);

    // Without the key: nothing.
    clipboard->setText(w.url);
    QTRY_VERIFY(!changes.isEmpty());
    QCOMPARE(w.app.logic->RubiHTMLCount, 0);
    QVERIFY(!w.app.logic->ClipBoardRubiing);

    // Copied while the key is held: the address around the text is taken.
    w.services.input->SendKeys({{kVkShift, false}});
    QTRY_VERIFY(w.services.input->IsKeyDown(kVkShift));
    clipboard->setText(QStringLiteral("  ") + w.url + QStringLiteral("\n"));
    QTRY_COMPARE_WITH_TIMEOUT(w.app.logic->RubiHTMLCount, 1, 20000);
    QVERIFY(w.Shows(1));
    QCOMPARE(w.app.form->LEURL->text(), w.url);

    // The same address again: the newest page is shown again, no new request.
    const int shown = static_cast<int>(w.Log().count(QStringLiteral("shown ")));
    clipboard->setText(w.url);
    QTRY_COMPARE_WITH_TIMEOUT(w.Log().count(QStringLiteral("shown ")), shown + 1, 20000);
    QCOMPARE(w.app.logic->RubiHTMLCount, 1);
    w.services.input->SendKeys({{kVkShift, true}});
    QTRY_VERIFY(!w.app.logic->ClipBoardRubiing && !w.app.logic->IsURLCopyed);
}

int main(int argc, char** argv) {
    // The display has to be there before the application connects to it.
    XvfbSession session;
    QString why;
    if (session.Start(&why)) {
        g_session = &session;
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    X11TriggerTest test;
    const int result = QTest::qExec(&test, argc, argv);
    g_session = nullptr;
    return result;
}

#include "X11TriggerTest.moc"
