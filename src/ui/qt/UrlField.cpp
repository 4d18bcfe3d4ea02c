#include "ui/qt/UrlField.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QStringDecoder>

namespace velmora {
namespace {

bool LooksLikeAddress(const QString& text) {
    const QString low = text.left(8).toLower();
    return low.startsWith(u"http://") || low.startsWith(u"https://") || low.startsWith(u"file:");
}

QString FirstLine(const QString& text, bool skipComments) {
    const QStringList lines =
        text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || (skipComments && trimmed.startsWith(u'#'))) continue;
        return trimmed;
    }
    return {};
}

bool Offers(const QDropEvent* event) {
    const Qt::DropActions actions = event->possibleActions();
    return (actions & (Qt::CopyAction | Qt::LinkAction)) &&
           !UrlFromMimeData(event->mimeData()).isEmpty();
}

}  // namespace

QString UrlFromMimeData(const QMimeData* data) {
    if (!data) return {};
    // Firefox's own format: UTF-16 "address\ntitle".
    if (data->hasFormat(QStringLiteral("text/x-moz-url"))) {
        const QByteArray bytes = data->data(QStringLiteral("text/x-moz-url"));
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        QString text = utf16(bytes);
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
            text = QStringDecoder(QStringDecoder::Utf16)(bytes);
        if (QString url = FirstLine(text, false); !url.isEmpty()) return url;
    }
    if (data->hasFormat(QStringLiteral("text/uri-list"))) {
        // The address as the browser wrote it, percent escapes and all.
        const QString list = QString::fromUtf8(data->data(QStringLiteral("text/uri-list")));
        if (QString url = FirstLine(list, true); !url.isEmpty()) return url;
    }
    if (data->hasText()) {
        const QString url = FirstLine(data->text(), false);
        if (LooksLikeAddress(url)) return url;
    }
    return {};
}

// A drag entering the field and moving over it are answered alike: copied (or linked)
// when it carries an address, refused otherwise.
static void AnswerDrag(QDragMoveEvent* event, bool offered) {
    if (!offered) {
        event->ignore();
        return;
    }
    event->setDropAction(event->possibleActions() & Qt::CopyAction ? Qt::CopyAction
                                                                   : Qt::LinkAction);
    event->accept();
}

void TURLEdit::dragEnterEvent(QDragEnterEvent* event) {
    AnswerDrag(event, Offers(event));
}

void TURLEdit::dragMoveEvent(QDragMoveEvent* event) {
    AnswerDrag(event, Offers(event));
}

void TURLEdit::dropEvent(QDropEvent* event) {
    const QString url = UrlFromMimeData(event->mimeData());
    if (url.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit urlDropped(url);
}

void TURLEdit::enterEvent(QEnterEvent* event) {
    QLineEdit::enterEvent(event);
    emit mouseEntered();
}

void TRubiTitleCombo::hidePopup() {
    QComboBox::hidePopup();
    emit closeUp();
}

}  // namespace velmora
