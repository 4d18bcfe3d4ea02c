#include "ui/qt/QuitRequests.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace velmora {

namespace {

// The signal handler's way to the event loop: it may do little more than write a byte.
int g_quitPipe[2] = {-1, -1};

void OnQuitSignal(int sig) {
    const int saved = errno;
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(g_quitPipe[1], &c, 1);
    errno = saved;
}

// The end of the run as a close: the download stops, this run's pages go when the setting
// says so. The loop ends even should the window refuse to close.
void EndRun(QWidget& window) {
    if (window.isVisible()) window.close();
    QCoreApplication::exit(0);
}

}  // namespace

void CloseOnQuitRequests(QWidget& window) {
    if (g_quitPipe[0] < 0 && ::pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char drain[64];
        while (::read(g_quitPipe[0], drain, sizeof drain) > 0) {
        }
        EndRun(window);
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // A second signal of the same kind, should the first one's close hang, ends the
    // process the default way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);

#if QT_CONFIG(sessionmanager)
    // The session manager asks before it ends the session at logout.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(gui, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager&) { EndRun(window); });
    }
#endif
    // However else the loop is told to end, the window closes first.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &window,
                     [&window] {
                         if (window.isVisible()) window.close();
                     });
}

}  // namespace velmora
