// velmora-test-browser: a stand-in browser for the desktop tests. Its window is titled
// "<page title> — Mozilla Firefox" and holds an address field; it writes what happened to
// it to the file named by VELMORA_TB_LOG, one line each:
//   args <argument>...      how it was started (arguments separated by tabs)
//   pid <id>                its process id
//   key <Ctrl+A>            a key pressed in its window
//   click                   a click into its page
//   shown <path>            a page it shows
// Like a real browser it runs once: started again, it hands its argument to the running
// one and ends (VELMORA_TB_SOCKET names the meeting point). VELMORA_TB_MODE varies it:
//   nowindow   never shows a window
//   dialog     also opens a dialog owned by its window, in front of it
//   twowindows also opens a second browser window, in front of the first
// VELMORA_TB_URL is the address shown before any page.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWidget>

namespace {

void Log(const QString& line) {
    const QByteArray path = qgetenv("VELMORA_TB_LOG");
    if (path.isEmpty()) return;
    QFile f(QString::fromLocal8Bit(path));
    if (f.open(QIODevice::Append | QIODevice::Text)) f.write((line + "\n").toUtf8());
}

class BrowserWindow : public QWidget {
public:
    explicit BrowserWindow(const QString& url) {
        auto* layout = new QVBoxLayout(this);
        address = new QLineEdit(url, this);
        address->setObjectName(QStringLiteral("address"));
        page = new QLabel(QStringLiteral("(blank)"), this);
        page->setMinimumHeight(400);
        page->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        layout->addWidget(address);
        layout->addWidget(page, 1);
        setWindowTitle(QStringLiteral("New Tab — Mozilla Firefox"));
        resize(700, 500);
    }

    void Show(const QString& path) {
        QFile f(path);
        QString title = QFileInfo(path).fileName();
        if (f.open(QIODevice::ReadOnly)) {
            const QString html = QString::fromUtf8(f.readAll());
            const auto m = QRegularExpression(QStringLiteral("<title[^>]*>([^<]*)</title>"),
                                              QRegularExpression::CaseInsensitiveOption)
                               .match(html);
            if (m.hasMatch()) title = m.captured(1).trimmed();
            page->setText(html.left(2000).toHtmlEscaped());
        }
        setWindowTitle(title + QStringLiteral(" — Mozilla Firefox"));
        address->setText(QStringLiteral("file://") + QFileInfo(path).absoluteFilePath());
        Log(QStringLiteral("shown ") + path);
    }

    QLineEdit* address = nullptr;
    QLabel* page = nullptr;
};

// Notes every key pressed and every click in the program's windows.
class InputLog : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (!k->isAutoRepeat())
                Log(QStringLiteral("key ") + QKeySequence(k->keyCombination()).toString());
        } else if (event->type() == QEvent::MouseButtonPress &&
                   static_cast<QWidget*>(watched)->isWindow()) {
            Log(QStringLiteral("click"));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Log(QStringLiteral("args ") + args.join(QLatin1Char('\t')));
    Log(QStringLiteral("pid %1").arg(QCoreApplication::applicationPid()));

    const QString socketName = QString::fromLocal8Bit(qgetenv("VELMORA_TB_SOCKET"));
    if (!socketName.isEmpty()) {
        QLocalSocket running;
        running.connectToServer(socketName);
        if (running.waitForConnected(1000)) {
            running.write((args.value(0) + QStringLiteral("\n")).toUtf8());
            running.waitForBytesWritten(1000);
            running.disconnectFromServer();
            return 0;
        }
    }

    const QString mode = QString::fromLocal8Bit(qgetenv("VELMORA_TB_MODE"));
    QString url = QString::fromUtf8(qgetenv("VELMORA_TB_URL"));
    if (url.isEmpty()) url = QStringLiteral("https://example.com/");
    BrowserWindow window(url);
    InputLog inputLog;
    app.installEventFilter(&inputLog);

    QLocalServer server;
    if (!socketName.isEmpty()) {
        QLocalServer::removeServer(socketName);
        server.listen(socketName);
        QObject::connect(&server, &QLocalServer::newConnection, [&] {
            QLocalSocket* c = server.nextPendingConnection();
            QObject::connect(c, &QLocalSocket::readyRead, [&window, c] {
                while (c->canReadLine()) {
                    const QString path = QString::fromUtf8(c->readLine()).trimmed();
                    if (!path.isEmpty()) window.Show(path);
                }
            });
            QObject::connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
        });
    }
    if (mode == QStringLiteral("nowindow")) return app.exec();

    if (!args.isEmpty()) window.Show(args.first());
    window.show();
    window.address->setFocus();

    BrowserWindow second(url);
    QDialog dialog(&window);
    if (mode == QStringLiteral("dialog")) {
        dialog.setWindowTitle(QStringLiteral("Downloads — Mozilla Firefox"));
        dialog.resize(300, 200);
        dialog.show();
    } else if (mode == QStringLiteral("twowindows")) {
        second.setWindowTitle(QStringLiteral("Second — Mozilla Firefox"));
        second.show();
    }
    return app.exec();
}
