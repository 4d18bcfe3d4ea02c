// A label that draws its caption embossed: copies of the caption in a light and a dark colour
// around it, as the bevel settings say.
#pragma once

#include <QColor>
#include <QLabel>

#include "settings/BevelLabel.h"

namespace velmora {

class TBevelLabel : public QLabel {
public:
    explicit TBevelLabel(QWidget* parent = nullptr);
    TBevelLabel(const QString& caption, QWidget* parent = nullptr);

    QColor HighLightColor() const;
    void SetHighLightColor(const QColor& color);
    QColor ShadowColor() const;
    void SetShadowColor(const QColor& color);
    TBevelType BevelType() const { return style_.BevelType; }
    void SetBevelType(TBevelType type);
    int BevelWidth() const { return style_.BevelWidth; }
    // 0 is stored as 1.
    void SetBevelWidth(int width);
    bool ColorBrend() const { return style_.ColorBrend; }
    void SetColorBrend(bool on);
    // The caption's colour (kept here: an application style sheet would override a palette).
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelStyle style_;
    QColor fontColor_;
};

}  // namespace velmora
