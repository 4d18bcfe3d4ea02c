#include "settings/TDicForm.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"

namespace velmora {

namespace {

bool IsReadingChar(char16_t c) {
    // Hiragana with its iteration marks, and the long-vowel mark.
    return (c >= u'\u3041' && c <= u'\u309F') || c == u'\u30FC';
}

}  // namespace

bool DicEntryOffered(std::u16string_view word, std::u16string_view rubi) {
    if (word.empty() || rubi.empty()) return false;
    if (rubi.find(u'<') == std::u16string_view::npos) return false;
    if (rubi.find(u'>') == std::u16string_view::npos) return false;
    for (char16_t c : word)
        if (rubi.find(c) != std::u16string_view::npos) return true;
    return false;
}

std::u16string DicEntryFault(std::u16string_view word, std::u16string_view rubi) {
    if (TrimControls(word).empty() || TrimControls(rubi).empty())
        return u"語句(ごく)とルビ振(ふ)り後(ご)の表記(ひょうき)の両方(りょうほう)を"
               u"入力(にゅうりょく)してください。";
    // The file keeps a word as the name of its line: it ends at "=", and a line starting
    // with ";" or "[" would read back as a comment or a section.
    const std::u16string_view name = TrimControls(word);
    if (name.find(u'=') != std::u16string_view::npos || name.front() == u';' ||
        name.front() == u'[')
        return u"語句(ごく)には\"=\"を使(つか)えません。また、\";\"や\"[\"で始(はじ)まる"
               u"語句(ごく)は登録(とうろく)できません。";
    bool open = false;
    bool any = false;
    size_t readingStart = 0;
    for (size_t i = 0; i < rubi.size(); ++i) {
        const char16_t c = rubi[i];
        if (c == u'<') {
            if (open) break;
            open = true;
            readingStart = i + 1;
        } else if (c == u'>') {
            if (!open) {
                open = true;  // a ">" without its "<": reported below
                break;
            }
            open = false;
            any = true;
            if (i == readingStart)
                return u"\"<\"と\">\"の間(あいだ)には読(よ)みをひらがなで書(か)いてください。";
        } else if (open && !IsReadingChar(c)) {
            return u"\"<\"と\">\"の間(あいだ)には読(よ)みをひらがなで書(か)いてください。";
        }
    }
    if (open || !any) return u"ルビ記号(きごう)の\"<\"と\">\"が対(つい)になっていません。";
    return {};
}

std::u16string AlreadyRegisteredMessage(std::u16string_view word) {
    return u"「" + std::u16string(word) + u"」は既に登録されています。";
}
std::u16string ChangeRubiQuestion(std::u16string_view word) {
    return u"「" + std::u16string(word) + u"」のルビ振り後の表記を変更しますか？";
}
std::u16string DeleteQuestion(std::u16string_view word) {
    return u"「" + std::u16string(word) + u"」を登録削除しますか?";
}

TDicForm::TDicForm(TDicFormView& view, TDicFormDeps deps) : view_(view), deps_(std::move(deps)) {}

void TDicForm::FormCreate() {
    view_.SetRows(Rows);
    view_.SelectRow(0);
    SetDel(false);
    ChangeRule();
}

void TDicForm::FormShow() {
    SelectedRowNo = -1;
    std::u16string error;
    if (!LoadDictionaryRows(deps_.dictionaryFile(), Rows, &error)) view_.ErrorBox(error);
    view_.SetRows(Rows);
    // Nothing is selected after an opening, so there is nothing to delete.
    view_.SelectRow(0);
    SetDel(false);
}

bool TDicForm::FormCloseQuery() {
    if (!DictionaryChanged) return true;
    UserDictionary scratch;
    std::u16string error;
    if (!SaveDictionary(deps_.dictionaryFile(), Rows, deps_.dic ? *deps_.dic : scratch, &error)) {
        view_.ErrorBox(error);
        return false;
    }
    DictionaryChanged = false;
    return true;
}

void TDicForm::SetToroku(bool on) {
    TorokuEnabled = on;
    view_.SetTorokuEnabled(on);
}

void TDicForm::SetDel(bool on) {
    DelEnabled = on;
    view_.SetDelEnabled(on);
}

void TDicForm::SetWord(const std::u16string& text) {
    view_.SetWordText(text);
    LEWordChange(text);
}

void TDicForm::SetRubi(const std::u16string& text) {
    view_.SetRubiText(text);
    LERubiChange(text);
}

void TDicForm::ChangeRule() {
    SetToroku(DicEntryOffered(WordText, RubiText));
}

void TDicForm::LEWordChange(const std::u16string& text) {
    WordText = text;
    ChangeRule();
    // A word already in the dictionary shows its written form.
    for (const DicRow& row : Rows) {
        if (!row.word.empty() && SameDicWord(row.word, text)) {
            if (RubiText != row.rubi) SetRubi(row.rubi);
            break;
        }
    }
}

void TDicForm::LERubiChange(const std::u16string& text) {
    RubiText = text;
    ChangeRule();
}

void TDicForm::Select(int row) {
    view_.SelectRow(row);
    ValueListEditor1SelectCell(row);
}

void TDicForm::ValueListEditor1SelectCell(int row) {
    if (row < 1 || row > static_cast<int>(Rows.size())) return;
    const DicRow entry = Rows[static_cast<size_t>(row - 1)];
    if (entry.word.empty()) return;
    SelectedRowNo = row;
    SetDel(true);
    SetToroku(false);
    SetWord(entry.word);
    SetRubi(entry.rubi);
}

void TDicForm::LEWordEnter(int selected, int length) {
    LEWordFlag = selected < length;
}
void TDicForm::LERubiEnter(int selected, int length) {
    LERubiFlag = selected < length;
}
void TDicForm::LEWordMouseDown() {
    if (LEWordFlag) view_.SelectAllWord();
    LEWordFlag = false;
}
void TDicForm::LERubiMouseDown() {
    if (LERubiFlag) view_.SelectAllRubi();
    LERubiFlag = false;
}

void TDicForm::BtnTorokuClick() {
    if (!DicEntryOffered(WordText, RubiText)) {
        SetToroku(false);
        return;
    }
    if (const std::u16string fault = DicEntryFault(WordText, RubiText); !fault.empty()) {
        view_.Message(fault);
        return;
    }
    // Blanks around a word or a form would not survive the file.
    const std::u16string word(TrimControls(WordText));
    const std::u16string rubi(TrimControls(RubiText));
    for (size_t i = 0; i < Rows.size(); ++i) {
        DicRow& row = Rows[i];
        if (row.word != word) continue;
        if (row.rubi == rubi) {
            view_.Message(AlreadyRegisteredMessage(word));
            SetToroku(false);
            return;
        }
        if (view_.AskYesNo(ChangeRubiQuestion(word))) {
            row.rubi = rubi;
            view_.SetRows(Rows);
            DictionaryChanged = true;
            Select(static_cast<int>(i) + 1);
        }
        SetToroku(false);
        return;
    }
    Rows.push_back({word, rubi});
    view_.SetRows(Rows);
    DictionaryChanged = true;
    Select(static_cast<int>(Rows.size()));
    SetToroku(false);
}

void TDicForm::BtnDelClick() {
    if (SelectedRowNo < 1 || SelectedRowNo > static_cast<int>(Rows.size())) {
        SetDel(false);
        return;
    }
    // The question names the entry that goes, whatever the fields hold by now.
    const int row = SelectedRowNo;
    if (!view_.AskYesNo(DeleteQuestion(Rows[static_cast<size_t>(row - 1)].word))) return;
    Rows.erase(Rows.begin() + (row - 1));
    DictionaryChanged = true;
    view_.SetRows(Rows);
    if (Rows.empty()) {
        SelectedRowNo = -1;
        view_.SelectRow(0);
        SetDel(false);
        ChangeRule();
        return;
    }
    // The entry that moved into its place, or the new last one, is selected.
    Select(std::min(row, static_cast<int>(Rows.size())));
}

void TDicForm::MenuHelpClick() {
    if (deps_.help) deps_.help();
}

}  // namespace velmora
