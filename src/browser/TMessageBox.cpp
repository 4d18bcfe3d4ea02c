#include "browser/TMessageBox.h"

namespace velmora {
namespace {

QMessageBox::StandardButton g_nextAnswer = QMessageBox::NoButton;
QMessageBox::StandardButton g_autoAnswer = QMessageBox::NoButton;
QList<TMessageBox::Shown> g_history;

}  // namespace

const QString TMessageBox::kTitle = QStringLiteral("ヴェルモラ");

QMessageBox::StandardButton TMessageBox::Show(QWidget* owner, const QString& text,
                                              QMessageBox::Icon icon,
                                              QMessageBox::StandardButtons buttons) {
    g_history.append({text, icon});
    if (g_nextAnswer != QMessageBox::NoButton) {
        auto answer = g_nextAnswer;
        g_nextAnswer = QMessageBox::NoButton;
        return answer;
    }
    if (g_autoAnswer != QMessageBox::NoButton) return g_autoAnswer;

    // The texts break their lines with CR LF or a lone CR; the label wants LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(icon, kTitle, shown, buttons, owner);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void TMessageBox::setNextAnswer(QMessageBox::StandardButton button) {
    g_nextAnswer = button;
}
void TMessageBox::setAutoAnswer(QMessageBox::StandardButton button) {
    g_autoAnswer = button;
}
const QList<TMessageBox::Shown>& TMessageBox::history() {
    return g_history;
}
QStringList TMessageBox::texts() {
    QStringList list;
    for (const auto& shown : g_history)
        list << shown.text;
    return list;
}
void TMessageBox::clearHistory() {
    g_history.clear();
}

}  // namespace velmora
