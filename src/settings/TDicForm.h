// The dictionary editor: the rules of the window in which the user adds, changes and deletes
// entries of the user dictionary. The window itself is a view that shows what it is told and
// hands its events to the handlers here.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ruby/UserDictionary.h"
#include "settings/DicFile.h"

namespace velmora {

// What the editor shows and asks. Setting a field's text or the grid's selection from here
// does not call back into the handlers.
class TDicFormView {
public:
    virtual ~TDicFormView() = default;
    // The grid's rows, replaced whole.
    virtual void SetRows(const std::vector<DicRow>& rows) = 0;
    // The grid's highlighted row, 1 for the first entry; 0 highlights none.
    virtual void SelectRow(int row) = 0;
    virtual void SetWordText(const std::u16string& text) = 0;
    virtual void SetRubiText(const std::u16string& text) = 0;
    virtual void SelectAllWord() = 0;
    virtual void SelectAllRubi() = 0;
    virtual void SetTorokuEnabled(bool on) = 0;
    virtual void SetDelEnabled(bool on) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::u16string& text) = 0;
    // A plain message, and the error box of a failure.
    virtual void Message(const std::u16string& text) = 0;
    virtual void ErrorBox(const std::u16string& text) = 0;
};

struct TDicFormDeps {
    // "Dictionary.ini" in the data folder, asked at each opening and closing.
    std::function<std::filesystem::path()> dictionaryFile;
    // The main window's dictionary, refreshed by each save so the next request uses it.
    UserDictionary* dic = nullptr;
    // The main window's help command.
    std::function<void()> help;
};

class TDicForm {
public:
    TDicForm(TDicFormView& view, TDicFormDeps deps);

    void FormCreate();
    // The window is being shown: the grid is reloaded from the file.
    void FormShow();
    // The window is asked to close: saves when something changed. False keeps it open (the
    // save failed and said why; the rows and the change flag stay).
    bool FormCloseQuery();

    // The user picked grid row `row` (1 = first entry).
    void ValueListEditor1SelectCell(int row);
    // The user changed a field's text.
    void LEWordChange(const std::u16string& text);
    void LERubiChange(const std::u16string& text);
    // A field got the focus, holding `selected` of its `length` characters selected.
    void LEWordEnter(int selected, int length);
    void LERubiEnter(int selected, int length);
    // A mouse press in a field (after the field has placed its caret).
    void LEWordMouseDown();
    void LERubiMouseDown();
    void BtnTorokuClick();
    void BtnDelClick();
    void MenuHelpClick();

    // ---- State ----
    std::vector<DicRow> Rows;  // the grid's entries; Rows[0] is grid row 1
    int SelectedRowNo = -1;
    bool DictionaryChanged = false;
    bool LEWordFlag = false;
    bool LERubiFlag = false;
    std::u16string WordText;  // LEWord's text
    std::u16string RubiText;  // LERubi's text
    bool TorokuEnabled = true;
    bool DelEnabled = false;

private:
    void SetWord(const std::u16string& text);
    void SetRubi(const std::u16string& text);
    void ChangeRule();
    void SetToroku(bool on);
    void SetDel(bool on);
    void Select(int row);

    TDicFormView& view_;
    TDicFormDeps deps_;
};

// The change rule: whether the fields' entry may be offered for registering. Loose on
// purpose: both texts present, "<" and ">" in the written form, and one of the word's
// characters in it.
bool DicEntryOffered(std::u16string_view word, std::u16string_view rubi);

// Why an entry cannot be stored as it stands, or empty when it can: an empty word or form, a
// word the file would read back differently, markers that do not pair, or a reading that is
// not hiragana.
std::u16string DicEntryFault(std::u16string_view word, std::u16string_view rubi);

// Texts of the editor.
inline constexpr std::u16string_view kDicFormCaption =
    u"ルビ振(ふ)り辞書(じしょ)の編集(へんしゅう)";
std::u16string AlreadyRegisteredMessage(std::u16string_view word);
std::u16string ChangeRubiQuestion(std::u16string_view word);
std::u16string DeleteQuestion(std::u16string_view word);

}  // namespace velmora
