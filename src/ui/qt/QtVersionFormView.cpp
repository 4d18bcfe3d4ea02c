#include "ui/qt/QtVersionFormView.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>

#include "ui/qt/TBevelLabel.h"

namespace velmora {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

QFont BoldPixels(int pixels, const QString& family = {}) {
    QFont font(family.isEmpty() || !QFontDatabase::families().contains(family)
                   ? QStringLiteral("Noto Sans CJK JP")
                   : family);
    font.setBold(true);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

QPixmap VelmoraIcon(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xe6, 0xfb, 0xfb), 2));
    p.setBrush(QColor(0x1f, 0x7a, 0x80));
    p.drawRoundedRect(QRectF(1, 1, width - 2, height - 2), 6, 6);
    p.setPen(QColor(0xff, 0xff, 0x80));
    p.setFont(BoldPixels(height / 5));
    p.drawText(QRect(0, 3, width, height / 4), Qt::AlignCenter, QStringLiteral("かん"));
    p.setPen(Qt::white);
    p.setFont(BoldPixels(height / 2));
    p.drawText(QRect(0, height / 4, width, height * 3 / 4 - 2), Qt::AlignCenter,
               QStringLiteral("漢"));
    return pixmap;
}

QtVersionFormView::QtVersionFormView(TMessageBox& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      messages_(messages) {
    setObjectName(QStringLiteral("Velmora_VersionForm"));
    setWindowTitle(Q(kVersionCaption));
    setFixedSize(332, 193);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("QDialog#Velmora_VersionForm { background: #008080; }"));
    setMouseTracking(true);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(14, 14, 41, 50);
    Image2->setPixmap(VelmoraIcon(41, 50));

    auto bevel = [this](const char* name, const QString& text, const QColor& color,
                        const QFont& font, const QRect& place) {
        auto* label = new TBevelLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(font);
        label->SetFontColor(color);
        label->setGeometry(place);
        return label;
    };
    BevelLabel1 = bevel("BevelLabel1", Q(kProductName), QColor(0x00, 0xff, 0x00),
                        BoldPixels(35, QStringLiteral("Tahoma")), QRect(66, 8, 258, 52));
    BevelLabel2 = bevel("BevelLabel2", Q(VersionText()), QColor(0x00, 0xff, 0xff), BoldPixels(24),
                        QRect(66, 62, 130, 34));
    LblStarting = bevel("LblStarting", Q(kStartingText), QColor(0xff, 0xff, 0x00), BoldPixels(24),
                        QRect(196, 62, 130, 34));
    BevelLabel3 = bevel("BevelLabel3", Q(CopyrightText()), QColor(0xff, 0x00, 0xff), BoldPixels(21),
                        QRect(10, 104, 314, 32));
    BevelLabel3->setAlignment(Qt::AlignCenter);
    LblStarting->hide();

    LblURL = new QLabel(Q(SiteURL()), this);
    LblURL->setObjectName(QStringLiteral("LblURL"));
    LblURL->setAlignment(Qt::AlignCenter);
    QFont urlFont = BoldPixels(15);
    urlFont.setBold(false);
    LblURL->setFont(urlFont);
    LblURL->setGeometry(36, 150, 260, 22);
    LblURL->setCursor(Qt::PointingHandCursor);
    LblURL->installEventFilter(this);
    SetURLLit(false);
}

void QtVersionFormView::SetCaption(const std::u16string& text) {
    setWindowTitle(QString::fromStdU16String(text));
}

void QtVersionFormView::SetStartingVisible(bool on) {
    LblStarting->setVisible(on);
}

void QtVersionFormView::SetURLLit(bool on) {
    LblURL->setStyleSheet(on ? QStringLiteral("background: #ff0000; color: #000000;")
                             : QStringLiteral("background: #00ff00; color: #000000;"));
}

void QtVersionFormView::ShowModeless() {
    show();
    raise();
    // Drawn now: the start-up work that follows keeps the event loop busy.
    QCoreApplication::processEvents();
}

void QtVersionFormView::ShowModal() {
    exec();
}

void QtVersionFormView::Close() {
    hide();
}

bool QtVersionFormView::IsVisible() const {
    return isVisible();
}

void QtVersionFormView::Message(const std::u16string& text) {
    messages_.Info(text);
}

bool QtVersionFormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblURL && form_) {
        if (event->type() == QEvent::Enter) form_->LblURLMouseEnter();
        if (event->type() == QEvent::Leave) form_->FormMouseMove();
        if (event->type() == QEvent::MouseButtonRelease) {
            form_->LblURLClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtVersionFormView::mouseMoveEvent(QMouseEvent* event) {
    if (form_) form_->FormMouseMove();
    QDialog::mouseMoveEvent(event);
}

}  // namespace velmora
