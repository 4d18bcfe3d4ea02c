// The dictionary editor's rules, on a recording view and a temporary data folder.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "TestFiles.h"
#include "base/Text.h"
#include "settings/TDicForm.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class FakeDicView final : public TDicFormView {
public:
    std::vector<DicRow> rows;
    int selected = 0;
    std::u16string word, rubi;
    bool toroku = true, del = true;
    int selectAllWord = 0, selectAllRubi = 0;
    std::deque<bool> answers;  // answers to the next questions; none left: No
    std::vector<std::u16string> questions, messages, errors;

    void SetRows(const std::vector<DicRow>& r) override { rows = r; }
    void SelectRow(int row) override { selected = row; }
    void SetWordText(const std::u16string& t) override { word = t; }
    void SetRubiText(const std::u16string& t) override { rubi = t; }
    void SelectAllWord() override { ++selectAllWord; }
    void SelectAllRubi() override { ++selectAllRubi; }
    void SetTorokuEnabled(bool on) override { toroku = on; }
    void SetDelEnabled(bool on) override { del = on; }
    bool AskYesNo(const std::u16string& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void Message(const std::u16string& text) override { messages.push_back(text); }
    void ErrorBox(const std::u16string& text) override { errors.push_back(text); }
};

std::string Utf16Le(std::u16string_view s) {
    std::string out = "\xFF\xFE";
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

class DicFormTest : public ::testing::Test {
protected:
    fs::path dir =
        fs::temp_directory_path() /
        ("velmora-dicform-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path file = dir / "Dictionary.ini";
    FakeDicView view;
    UserDictionary dic;
    int helps = 0;
    TDicForm form{view, {[this] { return file; }, &dic, [this] { ++helps; }}};

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        form.FormCreate();
    }
    void TearDown() override { fs::remove_all(dir); }

    void WriteDic(std::u16string_view lines) {
        test::WriteAll(file, Utf16Le(u"[RubiDic]\r\n" + std::u16string(lines) + u"\r\n"));
    }
    // The user types both fields.
    void Type(const std::u16string& word, const std::u16string& rubi) {
        view.word = word;
        form.LEWordChange(word);
        view.rubi = rubi;
        form.LERubiChange(rubi);
    }
    // The user clicks a grid row: the grid highlights it and tells the form.
    void Click(int row) {
        view.selected = row;
        form.ValueListEditor1SelectCell(row);
    }
    // The view and the form agree on what is shown and selected.
    void ExpectInAgreement() {
        EXPECT_EQ(view.rows, form.Rows);
        EXPECT_EQ(view.word, form.WordText);
        EXPECT_EQ(view.rubi, form.RubiText);
        EXPECT_EQ(view.toroku, form.TorokuEnabled);
        EXPECT_EQ(view.del, form.DelEnabled);
        if (form.SelectedRowNo > 0) {
            EXPECT_EQ(view.selected, form.SelectedRowNo);
            const DicRow& row = form.Rows[static_cast<size_t>(form.SelectedRowNo - 1)];
            EXPECT_EQ(form.WordText, row.word);
            EXPECT_EQ(form.RubiText, row.rubi);
            EXPECT_TRUE(form.DelEnabled);
        } else {
            EXPECT_EQ(view.selected, 0);
            EXPECT_FALSE(form.DelEnabled);
        }
    }
};

TEST(DicEntryRules, RegisterOfferedByTheLooseRule) {
    struct Case {
        const char16_t* word;
        const char16_t* rubi;
        bool offered;
    };
    const Case cases[] = {
        {u"家", u"家<うち>", true},
        {u"へ行った", u"へ行<い>った", true},
        {u"家", u"いえ<うち>", false},  // no character of the word in the form
        {u"家", u"家(うち)", false},    // brackets instead of markers
        {u"家", u"家<うち", false},
        {u"家", u"家>うち<", true},  // any order: refused only at Register
        {u"", u"家<うち>", false},
        {u"家", u"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DicEntryOffered(c.word, c.rubi), c.offered)
            << ToUtf8(c.word) << " " << ToUtf8(c.rubi);
}

TEST(DicEntryRules, WrongShapesAreNamed) {
    struct Case {
        const char16_t* word;
        const char16_t* rubi;
        const char16_t* fault;  // a part of the message; null: accepted
    };
    const Case cases[] = {
        {u"家", u"家<うち>", nullptr},
        {u"へ行った", u"へ行<い>った", nullptr},
        {u"東京", u"東<とう>京<きょう>", nullptr},
        {u"ラーメン屋", u"ラーメン屋<や>", nullptr},
        {u"  ", u"家<うち>", u"両方"},
        {u"家", u"家>うち<", u"対(つい)"},
        {u"家", u"家<<うち>>", u"対(つい)"},
        {u"家", u"家<う<ち>", u"対(つい)"},
        {u"家", u"家<うち>>", u"対(つい)"},
        {u"家", u"家<>", u"ひらがな"},
        {u"家", u"家<ウチ>", u"ひらがな"},
        {u"家", u"家<uchi>", u"ひらがな"},
        {u"a=b", u"a=b<え>", u"\"=\""},
        {u";家", u";家<うち>", u"\";\""},
        {u"[家]", u"[家<うち>]", u"\"[\""},
    };
    for (const Case& c : cases) {
        const std::u16string fault = DicEntryFault(c.word, c.rubi);
        if (!c.fault) {
            EXPECT_TRUE(fault.empty()) << ToUtf8(c.rubi) << ": " << ToUtf8(fault);
        } else {
            EXPECT_NE(fault.find(c.fault), std::u16string::npos) << ToUtf8(c.rubi);
        }
    }
}

TEST_F(DicFormTest, NewWordIsAddedAtTheEndAndSelected) {
    WriteDic(u"へ行った=へ行<い>った");
    form.FormShow();
    EXPECT_FALSE(view.del);  // nothing selected after an opening
    Type(u"家", u"家<うち>");
    EXPECT_TRUE(view.toroku);
    form.BtnTorokuClick();
    EXPECT_EQ(form.Rows,
              (std::vector<DicRow>{{u"へ行った", u"へ行<い>った"}, {u"家", u"家<うち>"}}));
    EXPECT_EQ(form.SelectedRowNo, 2);
    EXPECT_TRUE(form.DictionaryChanged);
    EXPECT_FALSE(view.toroku);
    ExpectInAgreement();
}

TEST_F(DicFormTest, SameWordSameFormIsAlreadyRegistered) {
    WriteDic(u"家=家<うち>");
    form.FormShow();
    Type(u"家", u"家<うち>");
    form.BtnTorokuClick();
    EXPECT_EQ(view.messages, std::vector<std::u16string>{u"「家」は既に登録されています。"});
    EXPECT_TRUE(view.questions.empty());
    EXPECT_FALSE(view.toroku);
    EXPECT_FALSE(form.DictionaryChanged);
}

TEST_F(DicFormTest, ChangedFormAsksAndKeepsTheRowInPlace) {
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        WriteDic(u"家=家<うち>\r\n本=本<ほん>");
        form.FormShow();
        form.DictionaryChanged = false;
        Type(u"家", u"家<いえ>");
        view.answers = {yes};
        view.questions.clear();
        form.BtnTorokuClick();
        EXPECT_EQ(view.questions,
                  std::vector<std::u16string>{u"「家」のルビ振り後の表記を変更しますか？"});
        EXPECT_EQ(form.Rows[0], (DicRow{u"家", yes ? u"家<いえ>" : u"家<うち>"}));
        EXPECT_EQ(form.Rows.size(), 2u);
        EXPECT_EQ(form.DictionaryChanged, yes);
        EXPECT_FALSE(view.toroku);
        if (yes) {
            EXPECT_EQ(form.SelectedRowNo, 1);
        }
        ExpectInAgreement();
    }
}

TEST_F(DicFormTest, LetterCaseCountsForRegisterButNotForTyping) {
    WriteDic(u"abc=abc<えーびーしー>");
    form.FormShow();
    // Typing a word that exists in other letters shows its written form.
    view.word = u"ABC";
    form.LEWordChange(u"ABC");
    EXPECT_EQ(view.rubi, u"abc<えーびーしー>");
    EXPECT_EQ(form.RubiText, u"abc<えーびーしー>");
    // Register compares exactly: a second row; the file keeps one line for both.
    Type(u"ABC", u"ABC<えーびーしー>");
    form.BtnTorokuClick();
    ASSERT_EQ(form.Rows.size(), 2u);
    EXPECT_EQ(form.Rows[1], (DicRow{u"ABC", u"ABC<えーびーしー>"}));
    ASSERT_TRUE(form.FormCloseQuery());
    EXPECT_EQ(test::ReadAll(file), Utf16Le(u"[RubiDic]\r\nabc=ABC<えーびーしー>\r\n\r\n"));
    EXPECT_EQ(dic.DicWordCount, 1);  // what the saved file gives: one entry per word
}

TEST_F(DicFormTest, WrongShapeIsRefusedAndNothingStored) {
    form.FormShow();
    Type(u"家", u"家>うち<");
    EXPECT_TRUE(view.toroku);
    form.BtnTorokuClick();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(u"対(つい)"), std::u16string::npos);
    EXPECT_TRUE(form.Rows.empty());
    EXPECT_FALSE(form.DictionaryChanged);
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(DicFormTest, BlanksAroundTheFieldsAreNotStored) {
    form.FormShow();
    Type(u" 家 ", u"家<うち> ");
    form.BtnTorokuClick();
    EXPECT_EQ(form.Rows, (std::vector<DicRow>{{u"家", u"家<うち>"}}));
}

TEST_F(DicFormTest, SelectingARowFillsTheFields) {
    WriteDic(u"家=家<うち>\r\n本=本<ほん>");
    form.FormShow();
    Click(2);
    EXPECT_EQ(form.SelectedRowNo, 2);
    EXPECT_EQ(view.word, u"本");
    EXPECT_EQ(view.rubi, u"本<ほん>");
    EXPECT_TRUE(view.del);
    ExpectInAgreement();
    form.ValueListEditor1SelectCell(0);  // the title row
    form.ValueListEditor1SelectCell(3);  // past the end
    EXPECT_EQ(form.SelectedRowNo, 2);
}

TEST_F(DicFormTest, DeleteAsksForTheSelectedEntryAndKeepsTheSelectionTrue) {
    WriteDic(u"家=家<うち>\r\n本=本<ほん>\r\n山=山<やま>");
    form.FormShow();
    Click(2);
    // The fields were edited since: the question still names the row that goes.
    Type(u"川", u"川<かわ>");
    view.answers = {false};
    form.BtnDelClick();
    EXPECT_EQ(view.questions.back(), u"「本」を登録削除しますか?");
    EXPECT_EQ(form.Rows.size(), 3u);
    EXPECT_FALSE(form.DictionaryChanged);

    view.answers = {true};
    form.BtnDelClick();
    EXPECT_EQ(form.Rows, (std::vector<DicRow>{{u"家", u"家<うち>"}, {u"山", u"山<やま>"}}));
    EXPECT_EQ(form.SelectedRowNo, 2);  // the entry that moved up
    EXPECT_EQ(view.word, u"山");
    ExpectInAgreement();

    view.answers = {true};
    form.BtnDelClick();  // the last row: the new last one is selected
    EXPECT_EQ(form.SelectedRowNo, 1);
    EXPECT_EQ(view.word, u"家");
    ExpectInAgreement();
}

TEST_F(DicFormTest, DeletingTheOnlyEntryRemovesTheFileOnClose) {
    WriteDic(u"家=家<うち>");
    dic = {{u"家"}, {u"家<うち>"}, 1};
    form.FormShow();
    Click(1);
    view.answers = {true};
    form.BtnDelClick();
    EXPECT_TRUE(form.Rows.empty());
    EXPECT_FALSE(view.del);
    EXPECT_EQ(form.SelectedRowNo, -1);
    ExpectInAgreement();
    // The fields keep the deleted entry, so it can be registered again.
    EXPECT_TRUE(view.toroku);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(dic.DicWordCount, 0);
    EXPECT_FALSE(form.DictionaryChanged);
}

TEST_F(DicFormTest, OpenAndCloseWithoutAChangeWritesNothing) {
    const std::string bytes = "[RubiDic]\r\n家=家<うち>\r\n";  // no byte-order mark
    test::WriteAll(file, bytes);
    form.FormShow();
    EXPECT_EQ(form.Rows.size(), 1u);
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_EQ(test::ReadAll(file), bytes);
}

TEST_F(DicFormTest, SaveRefreshesTheMainDictionary) {
    form.FormShow();
    Type(u"家", u"家<うち>");
    form.BtnTorokuClick();
    EXPECT_EQ(dic.DicWordCount, 0);  // only when the window closes
    ASSERT_TRUE(form.FormCloseQuery());
    EXPECT_EQ(dic.DicWordCount, 1);
    EXPECT_EQ(dic.DicRubi, std::vector<std::u16string>{u"家<うち>"});
    EXPECT_EQ(test::ReadAll(file), Utf16Le(u"[RubiDic]\r\n家=家<うち>\r\n\r\n"));
}

TEST_F(DicFormTest, FailedSaveKeepsTheOldFileAndTheWindowOpen) {
    WriteDic(u"家=家<うち>");
    const std::string before = test::ReadAll(file);
    form.FormShow();
    Type(u"本", u"本<ほん>");
    form.BtnTorokuClick();
    // The file's folder is replaced by a plain file, so no new file can be made there.
    const fs::path real = file;
    file = dir / "not-a-folder" / "Dictionary.ini";
    test::WriteAll(dir / "not-a-folder", "x");
    EXPECT_FALSE(form.FormCloseQuery());
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_NE(view.errors[0].find(u"書き込めません"), std::u16string::npos);
    EXPECT_TRUE(form.DictionaryChanged);
    EXPECT_EQ(form.Rows.size(), 2u);
    // The next close saves again.
    file = real;
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_NE(test::ReadAll(file), before);
    EXPECT_FALSE(form.DictionaryChanged);
}

TEST_F(DicFormTest, FirstClickSelectsAllLaterClicksDoNot) {
    form.LEWordEnter(0, 3);
    form.LEWordMouseDown();
    form.LEWordMouseDown();
    EXPECT_EQ(view.selectAllWord, 1);
    form.LERubiEnter(5, 5);  // already all selected (focus by Tab)
    form.LERubiMouseDown();
    EXPECT_EQ(view.selectAllRubi, 0);
    form.LERubiEnter(0, 0);  // empty field: nothing to select
    form.LERubiMouseDown();
    EXPECT_EQ(view.selectAllRubi, 0);
}

TEST_F(DicFormTest, OpeningResetsTheSelectionAndHelpGoesToTheMainWindow) {
    WriteDic(u"家=家<うち>");
    form.FormShow();
    Click(1);
    form.FormShow();
    EXPECT_EQ(form.SelectedRowNo, -1);
    EXPECT_FALSE(view.del);
    EXPECT_EQ(view.word, u"家");  // the fields keep their text
    ExpectInAgreement();
    form.MenuHelpClick();
    EXPECT_EQ(helps, 1);
}

}  // namespace
}  // namespace velmora
