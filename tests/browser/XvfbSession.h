// A private X display with openbox for the tests of the X11 desktop services.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <X11/Xlib.h>

namespace velmora {

class XvfbSession {
public:
    ~XvfbSession() { Stop(); }

    // Starts Xvfb and openbox and points DISPLAY at them. False (with the reason) when the
    // programs are missing or do not come up.
    bool Start(QString* why, const QString& screen = QStringLiteral("1280x800x24")) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty()) {
            *why = QStringLiteral("Xvfb and openbox are needed");
            return false;
        }
        // Tests run in parallel, each with its own display. Xvfb picks a free number itself
        // (taking its lock file atomically) and writes it to standard output: choosing the
        // number here could race another test to the same display.
        bool started = false;
        xvfb_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                           QStringLiteral("-screen"), QStringLiteral("0"), screen,
                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (xvfb_.waitForStarted()) {
            QByteArray out;
            (void)QTest::qWaitFor(
                [&] {
                    out += xvfb_.readAllStandardOutput();
                    return out.contains('\n') || xvfb_.state() == QProcess::NotRunning;
                },
                10000);
            bool ok = false;
            const int number = out.trimmed().toInt(&ok);
            started = ok && xvfb_.state() == QProcess::Running;
            if (started) display = QStringLiteral(":%1").arg(number);
            if (!started && xvfb_.state() != QProcess::NotRunning) {
                xvfb_.kill();
                xvfb_.waitForFinished();
            }
        }
        if (!started) {
            display.clear();
            *why = QStringLiteral("Xvfb did not start");
            return false;
        }
        saved_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", display.toUtf8());
        x = XOpenDisplay(nullptr);
        if (!x) {
            *why = QStringLiteral("no connection to Xvfb");
            return false;
        }
        openbox_.start(openbox, {});
        if (!openbox_.waitForStarted() || !QTest::qWaitFor([&] { return HasWm(); }, 10000)) {
            *why = QStringLiteral("openbox did not start");
            return false;
        }
        return true;
    }

    void Stop() {
        if (x) XCloseDisplay(x);
        x = nullptr;
        for (QProcess* p : {&openbox_, &xvfb_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
        if (!display.isEmpty()) qputenv("DISPLAY", saved_);
        display.clear();
    }

    // Whether the window manager keeps `window` above the others.
    bool HasAbove(unsigned long window) {
        const Atom state = XInternAtom(x, "_NET_WM_STATE", False);
        const Atom above = XInternAtom(x, "_NET_WM_STATE_ABOVE", False);
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(x, window, state, 0, 64, False, 4 /* XA_ATOM */, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            const Atom* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count; ++i)
                found = found || atoms[i] == above;
            XFree(data);
        }
        return found;
    }

    QString display;
    Display* x = nullptr;

private:
    // The window manager has come up: it names itself on the root window first and its
    // work area last, once it manages windows.
    bool HasWm() {
        return HasRootProperty("_NET_SUPPORTING_WM_CHECK") && HasRootProperty("_NET_WORKAREA");
    }

    bool HasRootProperty(const char* name) {
        const Atom check = XInternAtom(x, name, False);
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        if (data) XFree(data);
        return count > 0;
    }

    QProcess xvfb_;
    QProcess openbox_;
    QByteArray saved_;
};

}  // namespace velmora
