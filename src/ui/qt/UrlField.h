// The URL field with its drop target, and the history list that reports its closing.
#pragma once

#include <QComboBox>
#include <QLineEdit>

class QMimeData;

namespace velmora {

// The address carried by dragged data: a link or a browser's address icon
// (text/uri-list, text/x-moz-url) or plain text holding an http(s) or file address.
// Empty when the data carries none.
QString UrlFromMimeData(const QMimeData* data);

class TURLEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void urlDropped(const QString& url);
    void mouseEntered();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
};

class TRubiTitleCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;

signals:
    void closeUp();
};

}  // namespace velmora
