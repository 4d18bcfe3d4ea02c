// The main window on a real X display with openbox: while a request runs it sits in the
// work area's corner above all other windows, and afterwards no longer above them.
#include <QApplication>
#include <QPushButton>

#include "AppFixture.h"
#include "XvfbSession.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

namespace {
XvfbSession* g_session = nullptr;
}

class X11AppTest : public QObject {
    Q_OBJECT

private slots:
    void requestPlacesTheWindow();
};

void X11AppTest::requestPlacesTheWindow() {
    if (!g_session) QSKIP("no X display for this test");
    auto placement = CreateX11WindowPlacement();
    AppFixture app;
    app.realPlacement = placement.get();
    QVERIFY(app.Start());
    QtVelmoraForm& f = *app.form;
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.move(400, 250);
    QTRY_COMPARE(f.frameGeometry().topLeft(), QPoint(400, 250));
    const unsigned long window = f.winId();

    bool aboveWhileBusy = false;
    QPoint busyCorner;
    app.onFirstReading = [&] {
        aboveWhileBusy = QTest::qWaitFor([&] { return g_session->HasAbove(window); }, 3000);
        (void)QTest::qWaitFor([&] { return f.frameGeometry().topLeft() == QPoint(0, 0); }, 3000);
        busyCorner = f.frameGeometry().topLeft();
    };
    QVERIFY(app.Request(app.WritePage(QStringLiteral("p.html"), SamplePage())));
    QVERIFY(aboveWhileBusy);
    QCOMPARE(busyCorner, QPoint(0, 0));
    QTRY_VERIFY(!g_session->HasAbove(window));
    QCOMPARE(app.logic->RubiHTMLCount, 1);
    QVERIFY(f.isVisible());
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
    X11AppTest test;
    const int result = QTest::qExec(&test, argc, argv);
    g_session = nullptr;
    return result;
}

#include "X11AppTest.moc"
