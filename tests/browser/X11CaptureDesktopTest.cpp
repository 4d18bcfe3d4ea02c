// The browser capture's view of a real X desktop: the window in front, its owner, its title
// and the program behind it.
#include <QTest>

#include <filesystem>

#include "XvfbSession.h"  // Qt first: the X headers define words moc reads

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include "platform/CaptureDesktop.h"

using namespace velmora;

class X11CaptureDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void frontWindowItsTitleAndProgram();
    void ownedAndHiddenWindows();

private:
    Window MakeWindow(const char* title, bool map = true);
    void Map(Window w);
    void Activate(Window w);

    XvfbSession session_;
    Display* display_ = nullptr;
    std::unique_ptr<CaptureDesktop> desktop_;
};

void X11CaptureDesktopTest::initTestCase() {
    QString why;
    if (!session_.Start(&why)) QSKIP(qPrintable(why));
    display_ = session_.x;
    desktop_ = CreateX11CaptureDesktop();
}

void X11CaptureDesktopTest::cleanupTestCase() {
    desktop_.reset();
    session_.Stop();
}

Window X11CaptureDesktopTest::MakeWindow(const char* title, bool map) {
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 300, 200, 0, 0,
                                   0xffffff);
    const std::string name = title;
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
    const long pid = getpid();
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    if (map) Map(w);
    XSync(display_, False);
    return w;
}

// Maps `w` and waits until the window manager shows it. A request the manager missed while it
// was still starting is made again.
void X11CaptureDesktopTest::Map(Window w) {
    (void)QTest::qWaitFor(
        [&] {
            XMapWindow(display_, w);
            XSync(display_, False);
            XWindowAttributes attributes{};
            XGetWindowAttributes(display_, w, &attributes);
            return attributes.map_state == IsViewable;
        },
        5000);
}

void X11CaptureDesktopTest::Activate(Window w) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager: the window manager obeys
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

void X11CaptureDesktopTest::frontWindowItsTitleAndProgram() {
    const Window w = MakeWindow("漢字のページ — Mozilla Firefox");
    QVERIFY(QTest::qWaitFor([&] { return desktop_->IsVisible(w); }, 5000));
    Activate(w);
    QVERIFY(QTest::qWaitFor([&] { return desktop_->Foreground() == w; }, 5000));
    QCOMPARE(QString::fromStdU16String(desktop_->Title(w)),
             QStringLiteral("漢字のページ — Mozilla Firefox"));
    QCOMPARE(desktop_->ExePath(w), std::filesystem::read_symlink("/proc/self/exe").u16string());
    QCOMPARE(desktop_->Owner(w), WindowId{0});
    QCOMPARE(QString::fromStdU16String(desktop_->KeyName(17)), QStringLiteral("Ctrl"));
}

void X11CaptureDesktopTest::ownedAndHiddenWindows() {
    const Window main = MakeWindow("main");
    const Window dialog = MakeWindow("dialog", false);
    XSetTransientForHint(display_, dialog, main);
    Map(dialog);
    const Window hidden = MakeWindow("hidden", false);
    XSync(display_, False);
    QVERIFY(QTest::qWaitFor([&] { return desktop_->IsVisible(dialog); }, 5000));
    QCOMPARE(desktop_->Owner(dialog), WindowId{main});
    QVERIFY(!desktop_->IsVisible(hidden));
    XDestroyWindow(display_, hidden);
    XSync(display_, False);
    // A window that is gone answers nothing, without ending the program.
    QVERIFY(!desktop_->IsVisible(hidden));
    QVERIFY(desktop_->Title(hidden).empty());
    QVERIFY(desktop_->ExePath(hidden).empty());
}

QTEST_GUILESS_MAIN(X11CaptureDesktopTest)
#include "X11CaptureDesktopTest.moc"
