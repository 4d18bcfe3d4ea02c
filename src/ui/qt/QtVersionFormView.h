// The about box's window: the splash at start and the about box of the menu.
#pragma once

#include <QDialog>

#include "browser/TMessageBox.h"
#include "settings/TVelmora_VersionForm.h"

class QLabel;

namespace velmora {

class TBevelLabel;

class QtVersionFormView : public QDialog, public TVelmora_VersionFormView {
public:
    // `messages` shows the window's boxes.
    explicit QtVersionFormView(TMessageBox& messages, QWidget* parent = nullptr);

    // The logic this window shows; set once, before it is first shown.
    void SetForm(TVelmora_VersionForm* form) { form_ = form; }

    void SetCaption(const std::u16string& text) override;
    void SetStartingVisible(bool on) override;
    void SetURLLit(bool on) override;
    void ShowModeless() override;
    void ShowModal() override;
    void Close() override;
    bool IsVisible() const override;
    void Message(const std::u16string& text) override;

    QLabel* Image2 = nullptr;
    TBevelLabel* BevelLabel1 = nullptr;
    TBevelLabel* BevelLabel2 = nullptr;
    TBevelLabel* LblStarting = nullptr;
    TBevelLabel* BevelLabel3 = nullptr;
    QLabel* LblURL = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TMessageBox& messages_;
    TVelmora_VersionForm* form_ = nullptr;
};

// The program's picture: a teal tile with a kanji and its reading above it.
QPixmap VelmoraIcon(int width, int height);

}  // namespace velmora
