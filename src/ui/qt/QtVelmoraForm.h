// The main window drawn with Qt Widgets: the controls of TVelmoraForm placed and styled,
// each showing what the logic says and forwarding the user's actions to it.
#pragma once

#include <QWidget>

#include <map>

#include "browser/TVelmoraForm.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace velmora {

class TRubiTitleCombo;
class TURLEdit;

class QtVelmoraForm final : public QWidget, public TVelmoraView {
    Q_OBJECT

public:
    // Builds the widgets of `form`'s controls and attaches itself as its view.
    explicit QtVelmoraForm(TVelmoraForm& form, QWidget* parent = nullptr);
    ~QtVelmoraForm() override;

    TVelmoraForm& form() { return form_; }

    // ---- TVelmoraView ----
    void ControlChanged(const TControl& control) override;
    WindowId Handle() override;
    void SetClientHeight(int height) override;
    int FrameWidth() const override;
    void RestoreAndRaise() override;
    bool ScreenWorkArea(Rect& area) override;
    void MoveWindow(int left, int top) override;
    void SetStayOnTop(bool on) override;
    void SetFocus(const TControl& control) override;
    void Popup(const TMenuItem& menu, const TControl& at) override;
    int TextWidth(const TControl& control, const std::u16string& text) override;

    // The widgets, named as the controls they show.
    QLabel* LblURL = nullptr;
    TURLEdit* LEURL = nullptr;
    QLabel* ImgMenu = nullptr;
    QPushButton* BtnRubi = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* LblRubiing = nullptr;
    QPushButton* BtnCancel = nullptr;
    TRubiTitleCombo* ComboBoxRubiTitle = nullptr;
    QPushButton* BtnHelp = nullptr;
    QWidget* PanelHelp = nullptr;
    QLabel* LblHelp = nullptr;
    QMenu* PopupMenu1 = nullptr;
    // The menu entry showing `item`.
    QAction* Action(const TMenuItem& item) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu(const TMenuItem& model, QMenu* menu);
    void ShowMenuItem(const TMenuItem& item);

    TVelmoraForm& form_;
    std::map<const TControl*, QWidget*> widgets_;
    std::map<const TMenuItem*, QAction*> actions_;
    std::map<const TMenuItem*, QMenu*> menus_;
    bool keyInField_ = false;  // a key is being handed to the URL field
};

}  // namespace velmora
