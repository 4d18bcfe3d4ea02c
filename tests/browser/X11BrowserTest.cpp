// The browser search, the showing of pages and the global keys on a real X display with
// openbox, with the stand-in browser program as the chosen browser.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <signal.h>

#include <X11/Xlib.h>

#include <memory>

#include "XvfbSession.h"
#include "browser/BrowserShower.h"
#include "platform/VirtualKeys.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

namespace {

class QtLoop final : public UiLoop {
public:
    QtLoop() { clock_.start(); }
    void Pump() override { QCoreApplication::processEvents(); }
    void Sleep(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }
    std::uint32_t Now() override { return static_cast<std::uint32_t>(clock_.elapsed()); }

private:
    QElapsedTimer clock_;
};

// Ended: no such process, or one that only waits to be collected.
bool ProcessGone(unsigned pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) == "Z";
}

QString TestBrowserPath() {
    return QFileInfo(QStringLiteral(VELMORA_BIN_DIR "/velmora-test-browser")).canonicalFilePath();
}

// A desktop of one screen size with the services on it and a plain window as the tool.
struct Desktop : ShowerHost {
    bool Start(const QString& screen, QString* why) {
        if (!session.Start(why, screen)) return false;
        windows = CreateX11DesktopWindows();
        placement = CreateX11WindowPlacement();
        launcher = CreatePosixProcessLauncher();
        Display* x = session.x;
        tool = XCreateSimpleWindow(x, DefaultRootWindow(x), 300, 300, 335, 163, 0, 0, 0xffffff);
        // Framed by the window manager: its title bar is part of the outer height. A
        // window mapped while openbox is still settling may be passed over: map it again.
        for (int attempt = 0; attempt < 10; ++attempt) {
            XMapWindow(x, tool);
            XSync(x, False);
            if (QTest::qWaitFor(
                    [&] {
                        Rect r;
                        return placement->WindowRect(tool, r) && r.height > 163;
                    },
                    1000))
                return true;
            XUnmapWindow(x, tool);
            XSync(x, False);
        }
        *why = QStringLiteral("the window manager does not frame windows");
        return false;
    }

    WindowId MainWindow() override { return tool; }
    int MainWindowWidth() override {
        Rect r;
        return placement->WindowRect(tool, r) ? r.width : 0;
    }
    void MoveMainWindow(int left, int top) override { placement->Move(tool, left, top); }
    Rect WorkArea() override {
        Rect r;
        placement->WorkArea(r);
        return r;
    }
    bool NoMoveBrowser() override { return noMove; }
    std::u16string BrowserExeName() override { return exe; }
    void Message(const std::u16string& text) override { messages.push_back(text); }

    XvfbSession session;
    std::unique_ptr<DesktopWindows> windows;
    std::unique_ptr<WindowPlacement> placement;
    std::unique_ptr<ProcessLauncher> launcher;
    QtLoop loop;
    unsigned long tool = 0;
    bool noMove = false;
    std::u16string exe = TestBrowserPath().toStdU16String();
    std::vector<std::u16string> messages;
};

}  // namespace

class X11BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void searchFindsTheBrowserByProcessAndByPath();
    void searchPicksTheFrontOfTwoWindows();
    void startUpPlacesTheBrowserBesideTheTool_data();
    void startUpPlacesTheBrowserBesideTheTool();
    void pageGoesToTheRunningBrowserWhichComesToTheFront();
    void missingBrowserGivesMessageTwo();
    void browserWithoutWindowIsEndedAfterTheSearch();
    void keyHookReportsGlobalKeys();

private:
    bool Up(const QString& screen = QStringLiteral("1366x768x24"));
    ProcessId StartBrowser(const QString& mode, const QStringList& args = {});
    QString ReadLog() const;

    std::unique_ptr<Desktop> d_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<ProcessId> started_;
};

void X11BrowserTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("VELMORA_TB_LOG", dir_->filePath(QStringLiteral("browser.log")).toLocal8Bit());
    qputenv("VELMORA_TB_SOCKET", dir_->filePath(QStringLiteral("browser.socket")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("VELMORA_TB_MODE");
}

void X11BrowserTest::cleanup() {
    for (ProcessId pid : started_)
        if (d_) d_->launcher->Terminate(pid);
    started_.clear();
    d_.reset();
    dir_.reset();
}

bool X11BrowserTest::Up(const QString& screen) {
    d_ = std::make_unique<Desktop>();
    QString why;
    if (!d_->Start(screen, &why)) {
        qWarning("%s", qPrintable(why));
        return false;
    }
    return true;
}

ProcessId X11BrowserTest::StartBrowser(const QString& mode, const QStringList& args) {
    qputenv("VELMORA_TB_MODE", mode.toLocal8Bit());
    std::vector<std::u16string> a;
    for (const QString& s : args)
        a.push_back(s.toStdU16String());
    const ProcessId pid = d_->launcher->Launch(d_->exe, a);
    if (pid) started_.push_back(pid);
    return pid;
}

QString X11BrowserTest::ReadLog() const {
    QFile f(dir_->filePath(QStringLiteral("browser.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void X11BrowserTest::searchFindsTheBrowserByProcessAndByPath() {
    if (!Up()) QSKIP("no X display for this test");
    const ProcessId pid = StartBrowser(QStringLiteral("dialog"));
    QVERIFY(pid != 0);
    BrowserWindowSearch search(*d_->windows);
    search.OwnWindow = d_->tool;
    // By the started process; its dialog, in front of it, is skipped.
    QTRY_VERIFY_WITH_TIMEOUT(search.Find(pid) != 0, 20000);
    const WindowId found = search.BrowserHWND;
    QCOMPARE(d_->windows->Title(found), std::u16string(u"New Tab — Mozilla Firefox"));
    QTRY_VERIFY(d_->windows->TopLevelWindows().size() >= 3);
    const WindowId front = d_->windows->TopLevelWindows().front();
    QCOMPARE(d_->windows->Title(front), std::u16string(u"Downloads — Mozilla Firefox"));
    QCOMPARE(d_->windows->Owner(front), found);
    // By the executable's path, as a stored browser path names it.
    search.BrowserExeName = d_->exe;
    QCOMPARE(search.GetProcessExeName(pid), d_->exe);
    QCOMPARE(search.Find(0), found);
    search.BrowserExeName = d_->exe + u"x";
    QCOMPARE(search.Find(0), WindowId{0});
    // A window that is hidden again is not found.
    XUnmapWindow(d_->session.x, found);
    XSync(d_->session.x, False);
    search.BrowserExeName = d_->exe;
    QTRY_COMPARE(search.Find(0), WindowId{0});
}

void X11BrowserTest::searchPicksTheFrontOfTwoWindows() {
    if (!Up()) QSKIP("no X display for this test");
    QVERIFY(StartBrowser(QStringLiteral("twowindows")) != 0);
    BrowserWindowSearch search(*d_->windows);
    search.BrowserExeName = d_->exe;
    QTRY_VERIFY_WITH_TIMEOUT(d_->windows->Title(search.Find(0)) == u"Second — Mozilla Firefox",
                             20000);
}

void X11BrowserTest::startUpPlacesTheBrowserBesideTheTool_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("1366") << QStringLiteral("1366x768x24") << 911 << 768;
    QTest::newRow("1920") << QStringLiteral("1920x1080x24") << 1280 << 1080;
}

void X11BrowserTest::startUpPlacesTheBrowserBesideTheTool() {
    QFETCH(QString, screen);
    QFETCH(int, width);
    QFETCH(int, height);
    if (!Up(screen)) QSKIP("no X display for this test");
    BrowserShower shower({d_->windows.get(), d_->launcher.get(), d_->placement.get(), &d_->loop},
                         *d_);
    const WindowId browser = shower.ShowRubiPage(u"", true);
    QVERIFY(browser != 0);
    QVERIFY(d_->messages.empty());
    QVERIFY(ReadLog().startsWith(QStringLiteral("args \n")));
    const int toolWidth = d_->MainWindowWidth();
    Rect tool, r;
    QTRY_VERIFY(d_->placement->WindowRect(d_->tool, tool) && tool.left == 0 && tool.top == 0);
    QTRY_VERIFY(d_->placement->WindowRect(browser, r) && r == (Rect{toolWidth, 0, width, height}));
    QTRY_COMPARE(d_->windows->Foreground(), browser);
    // Found running at the next start: not started again.
    const int launchesBefore = static_cast<int>(ReadLog().count(QStringLiteral("args")));
    QCOMPARE(shower.ShowRubiPage(u"", true), browser);
    QCOMPARE(ReadLog().count(QStringLiteral("args")), launchesBefore);
    // Kill what the shower started: it is the launcher's child.
    for (WindowId w : d_->windows->TopLevelWindows())
        if (ProcessId p = d_->windows->ProcessOf(w); p && p != ProcessId(getpid()))
            started_.push_back(p);
}

void X11BrowserTest::pageGoesToTheRunningBrowserWhichComesToTheFront() {
    if (!Up()) QSKIP("no X display for this test");
    BrowserShower shower({d_->windows.get(), d_->launcher.get(), d_->placement.get(), &d_->loop},
                         *d_);
    const WindowId browser = shower.ShowRubiPage(u"", true);
    QVERIFY(browser != 0);
    for (WindowId w : d_->windows->TopLevelWindows())
        if (ProcessId p = d_->windows->ProcessOf(w); p && p != ProcessId(getpid()))
            started_.push_back(p);
    d_->placement->Activate(d_->tool);
    QTRY_COMPARE(d_->windows->Foreground(), WindowId(d_->tool));

    const QString page = dir_->filePath(QStringLiteral("Rubi1.html"));
    QFile f(page);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<html><head><title>漢字(かんじ)のページ</title></head><body>x</body></html>");
    f.close();
    // The start-up placement is carried out by the window manager in its own time: take the
    // browser's place once it has settled.
    Rect before, now;
    QVERIFY(d_->placement->WindowRect(browser, before));
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(100);
        QVERIFY(d_->placement->WindowRect(browser, now));
        if (now == before) break;
        before = now;
    }
    const WindowId shown = shower.ShowRubiPage(u"\"" + page.toStdU16String() + u"\"", false);
    QCOMPARE(shown, browser);
    QTRY_COMPARE(d_->windows->Title(browser),
                 std::u16string(u"漢字(かんじ)のページ — Mozilla Firefox"));
    QTRY_COMPARE(d_->windows->Foreground(), browser);
    QVERIFY(ReadLog().contains(QStringLiteral("args ") + page + QStringLiteral("\n")));
    Rect after;
    QVERIFY(d_->placement->WindowRect(browser, after));
    QCOMPARE(after, before);
}

void X11BrowserTest::missingBrowserGivesMessageTwo() {
    if (!Up()) QSKIP("no X display for this test");
    d_->exe = dir_->filePath(QStringLiteral("no-such-browser")).toStdU16String();
    BrowserShower shower({d_->windows.get(), d_->launcher.get(), d_->placement.get(), &d_->loop},
                         *d_);
    QCOMPARE(shower.ShowRubiPage(u"", true), WindowId{0});
    QCOMPARE(d_->messages, std::vector<std::u16string>{u"ブラウザの起動に失敗しました。(2)"});
}

void X11BrowserTest::browserWithoutWindowIsEndedAfterTheSearch() {
    if (!Up()) QSKIP("no X display for this test");
    qputenv("VELMORA_TB_MODE", "nowindow");
    BrowserShower shower({d_->windows.get(), d_->launcher.get(), d_->placement.get(), &d_->loop},
                         *d_);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(shower.ShowRubiPage(u"", true), WindowId{0});
    QVERIFY(clock.elapsed() >= 10000);
    QCOMPARE(d_->messages, std::vector<std::u16string>{u"ブラウザの起動に失敗しました。(1)"});
    // It had started, and it is gone.
    const QString log = ReadLog();
    const auto m = QRegularExpression(QStringLiteral("pid (\\d+)")).match(log);
    QVERIFY(m.hasMatch());
    QTRY_VERIFY(ProcessGone(m.captured(1).toUInt()));
}

void X11BrowserTest::keyHookReportsGlobalKeys() {
    if (!Up()) QSKIP("no X display for this test");
    auto hook = CreateX11KeyHook();
    auto input = CreateX11InputSender();
    std::string why;
    QVERIFY(input->Available(&why));
    std::vector<std::pair<int, bool>> seen;
    QVERIFY(hook->Start([&](int vk, bool released) { seen.push_back({vk, released}); }, &why));
    QVERIFY(hook->EventFd() >= 0);
    QVERIFY(input->SendKeys({{kVkShift, false}}));
    QTRY_VERIFY(input->IsKeyDown(kVkShift));
    QVERIFY(input->SendKeys(
        {{kVkShift, true}, {kVkControl, false}, {kVkA, false}, {kVkA, true}, {kVkControl, true}}));
    QTRY_VERIFY([&] {
        hook->Dispatch();
        return seen.size() >= 6;
    }());
    QCOMPARE(seen, (std::vector<std::pair<int, bool>>{
                       {16, false}, {16, true}, {17, false}, {65, false}, {65, true}, {17, true}}));
    QVERIFY(!input->IsKeyDown(kVkShift));
    hook->Stop();
    QCOMPARE(hook->EventFd(), -1);
}

QTEST_GUILESS_MAIN(X11BrowserTest)
#include "X11BrowserTest.moc"
