// Every message box of the program goes through here: owned by the main window, titled
// "ヴェルモラ" and kept above all other windows. Tests observe the boxes and answer them
// without a modal loop.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace velmora {

class TMessageBox {
public:
    struct Shown {
        QString text;
        QMessageBox::Icon icon;
    };

    static QMessageBox::StandardButton Show(QWidget* owner, const QString& text,
                                            QMessageBox::Icon icon = QMessageBox::Information,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    // The information box of a notice.
    static void Info(QWidget* owner, const QString& text) { Show(owner, text); }
    // The standard error box for failures the operation itself does not report.
    static void Error(QWidget* owner, const QString& text) {
        Show(owner, text, QMessageBox::Critical);
    }

    // The next box is not shown but answered with `button` (once).
    static void setNextAnswer(QMessageBox::StandardButton button);
    // Every box from now on is answered with `button` without being shown; NoButton shows
    // them again.
    static void setAutoAnswer(QMessageBox::StandardButton button);
    // The boxes since the last clear, shown or answered.
    static const QList<Shown>& history();
    static QStringList texts();
    static void clearHistory();

    static const QString kTitle;
};

}  // namespace velmora
