#include "ui/qt/QtServices.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

namespace velmora {
namespace {

QMessageBox::Icon QtIcon(TMessageBox::Icon icon) {
    switch (icon) {
        case TMessageBox::Question:
            return QMessageBox::Question;
        case TMessageBox::Warning:
            return QMessageBox::Warning;
        case TMessageBox::Critical:
            return QMessageBox::Critical;
        case TMessageBox::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

TMessageBox::Button QtMessageBox::Show(const std::u16string& text, Icon icon, unsigned buttons) {
    const QString qtext = QString::fromStdU16String(text);
    history_.append({qtext, icon});
    if (autoAnswer_ != NoButton) return autoAnswer_;

    QMessageBox::StandardButtons qbuttons;
    if (buttons & Ok) qbuttons |= QMessageBox::Ok;
    if (buttons & Cancel) qbuttons |= QMessageBox::Cancel;
    if (buttons & Yes) qbuttons |= QMessageBox::Yes;
    if (buttons & No) qbuttons |= QMessageBox::No;
    // The texts break their lines with CR LF or a lone CR; the label wants LF.
    QString shown = qtext;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(QtIcon(icon), QString::fromStdU16String(kTitle), shown, qbuttons, owner_);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Ok;
        case QMessageBox::Cancel:
            return Cancel;
        case QMessageBox::Yes:
            return Yes;
        case QMessageBox::No:
            return No;
        default:
            return buttons & Cancel ? Cancel : buttons & No ? No : Ok;
    }
}

QStringList QtMessageBox::Texts() const {
    QStringList list;
    for (const auto& shown : history_)
        list << shown.text;
    return list;
}

QtTimer::QtTimer() {
    timer_.setObjectName(QStringLiteral("Timer1"));
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) handler_();
    });
}

void QtEventPump::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

}  // namespace velmora
