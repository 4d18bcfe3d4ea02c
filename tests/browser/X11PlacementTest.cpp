// The X11 window placement against a real window manager: a private Xvfb display with
// openbox, and a plain Xlib window standing in for the main window.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>

#include "XvfbSession.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

class X11PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void workAreaIsTheScreenWithoutPanels();
    void moveAndReadBack();
    void topmostOnAndOff();
    void goneWindowFailsQuietly();

private:
    bool HasAbove();
    Window MakeWindow();

    XvfbSession session_;
    Display* display_ = nullptr;
    Window window_ = 0;
    std::unique_ptr<WindowPlacement> placement_;
};

void X11PlacementTest::initTestCase() {
    QString why;
    if (!session_.Start(&why)) QSKIP(qPrintable(why));
    display_ = session_.x;
    placement_ = CreateX11WindowPlacement();
    window_ = MakeWindow();
}

Window X11PlacementTest::MakeWindow() {
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 300, 300, 335, 163, 0, 0,
                                   0xffffff);
    XMapWindow(display_, w);
    XSync(display_, False);
    // Framed by the window manager.
    const Atom extents = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
    (void)QTest::qWaitFor(
        [&] {
            Atom type;
            int format;
            unsigned long count = 0, after;
            unsigned char* data = nullptr;
            XGetWindowProperty(display_, w, extents, 0, 4, False, XA_CARDINAL, &type, &format,
                               &count, &after, &data);
            if (data) XFree(data);
            return count == 4;
        },
        5000);
    return w;
}

void X11PlacementTest::cleanupTestCase() {
    placement_.reset();
    session_.Stop();
}

void X11PlacementTest::workAreaIsTheScreenWithoutPanels() {
    Rect area;
    QVERIFY(placement_->WorkArea(area));
    QCOMPARE(area, (Rect{0, 0, 1280, 800}));
}

void X11PlacementTest::moveAndReadBack() {
    for (auto [left, top] : {std::pair{0, 0}, std::pair{412, 37}}) {
        QVERIFY(placement_->Move(window_, left, top));
        Rect rect;
        QVERIFY(QTest::qWaitFor(
            [&] {
                return placement_->WindowRect(window_, rect) && rect.left == left &&
                       rect.top == top;
            },
            5000));
        // The frame is around the client's own size.
        QVERIFY(rect.width >= 335);
        QVERIFY(rect.height >= 163);
    }
}

bool X11PlacementTest::HasAbove() {
    return session_.HasAbove(window_);
}

void X11PlacementTest::topmostOnAndOff() {
    QVERIFY(!HasAbove());
    QVERIFY(placement_->SetTopmost(window_, true));
    QVERIFY(QTest::qWaitFor([&] { return HasAbove(); }, 5000));
    QVERIFY(placement_->SetTopmost(window_, false));
    QVERIFY(QTest::qWaitFor([&] { return !HasAbove(); }, 5000));
}

void X11PlacementTest::goneWindowFailsQuietly() {
    Window w = MakeWindow();
    XDestroyWindow(display_, w);
    XSync(display_, False);
    Rect rect;
    QVERIFY(!placement_->WindowRect(w, rect));
    QVERIFY(!placement_->WindowRect(0, rect));
    QVERIFY(!placement_->Move(0, 1, 1));
}

QTEST_GUILESS_MAIN(X11PlacementTest)
#include "X11PlacementTest.moc"
