#include "ui/qt/TBevelLabel.h"

#include <QPainter>

namespace velmora {

namespace {

Rgb ToRgb(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}
QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

TBevelLabel::TBevelLabel(QWidget* parent) : TBevelLabel(QString(), parent) {}

TBevelLabel::TBevelLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    resize(125, 26);
    QFont f = font();
    f.setBold(true);
    f.setPointSize(20);
    setFont(f);
    SetFontColor(QColor(0x00, 0x80, 0x80));
}

QColor TBevelLabel::HighLightColor() const {
    return ToQColor(style_.HighLightColor);
}
void TBevelLabel::SetHighLightColor(const QColor& color) {
    if (ToRgb(color) == style_.HighLightColor) return;
    style_.HighLightColor = ToRgb(color);
    update();
}
QColor TBevelLabel::ShadowColor() const {
    return ToQColor(style_.ShadowColor);
}
void TBevelLabel::SetShadowColor(const QColor& color) {
    if (ToRgb(color) == style_.ShadowColor) return;
    style_.ShadowColor = ToRgb(color);
    update();
}
void TBevelLabel::SetBevelType(TBevelType type) {
    if (type == style_.BevelType) return;
    style_.BevelType = type;
    update();
}
void TBevelLabel::SetBevelWidth(int width) {
    width = BevelWidthStored(width);
    if (width == style_.BevelWidth) return;
    style_.BevelWidth = width;
    update();
}
void TBevelLabel::SetColorBrend(bool on) {
    if (on == style_.ColorBrend) return;
    style_.ColorBrend = on;
    update();
}
void TBevelLabel::SetFontColor(const QColor& color) {
    if (color == fontColor_) return;
    fontColor_ = color;
    update();
}

void TBevelLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The label's own background, as the plain label has it.
    if (autoFillBackground()) painter.fillRect(rect(), palette().color(backgroundRole()));

    const QString text = QString::fromStdU16String(BevelCaption(this->text().toStdU16String()));
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags = static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    // The system's grey text.
    const Rgb gray = ToRgb(QPalette().color(QPalette::Disabled, QPalette::WindowText));
    for (const TextCopy& copy : BevelCopies(style_, ToRgb(FontColor()), isEnabled(), gray)) {
        painter.setPen(ToQColor(copy.color));
        painter.drawText(area.translated(copy.dx, copy.dy), flags, text);
    }
}

}  // namespace velmora
