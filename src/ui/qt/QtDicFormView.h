// The dictionary editor's window: the grid of entries, the two fields, the examples, the
// buttons and the help menu. It shows what TDicForm says and hands it the user's doing.
#pragma once

#include <QDialog>
#include <QLineEdit>

#include <functional>

#include "browser/TMessageBox.h"
#include "settings/TDicForm.h"

class QLabel;
class QMenuBar;
class QPushButton;
class QTableWidget;

namespace velmora {

// A text field that reports getting the focus and mouse presses to the editor.
class TDicEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void(int selected, int length)> onEnter;
    std::function<void()> onMouseDown;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class QtDicFormView : public QDialog, public TDicFormView {
public:
    // `messages` shows the window's boxes.
    explicit QtDicFormView(TMessageBox& messages, QWidget* parent = nullptr);

    // The logic this window shows; set once, before it is first shown.
    void SetForm(TDicForm* form);
    // Shows the window modally; returns when it has closed.
    void ShowModal();

    void SetRows(const std::vector<DicRow>& rows) override;
    void SelectRow(int row) override;
    void SetWordText(const std::u16string& text) override;
    void SetRubiText(const std::u16string& text) override;
    void SelectAllWord() override;
    void SelectAllRubi() override;
    void SetTorokuEnabled(bool on) override;
    void SetDelEnabled(bool on) override;
    bool AskYesNo(const std::u16string& text) override;
    void Message(const std::u16string& text) override;
    void ErrorBox(const std::u16string& text) override;

    QTableWidget* ValueListEditor1 = nullptr;
    TDicEdit* LEWord = nullptr;
    TDicEdit* LERubi = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* BtnToroku = nullptr;
    QPushButton* BtnDel = nullptr;
    QMenuBar* MainMenu1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    TMessageBox& messages_;
    TDicForm* form_ = nullptr;
    bool updating_ = false;  // the grid's selection is being set from the logic
};

}  // namespace velmora
