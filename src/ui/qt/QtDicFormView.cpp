#include "ui/qt/QtDicFormView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

QLabel* Note(const QString& text, const char* name, const QString& style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(style);
    label->setWordWrap(true);
    return label;
}

}  // namespace

void TDicEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (onEnter) onEnter(static_cast<int>(selectedText().size()), static_cast<int>(text().size()));
}

void TDicEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (onMouseDown) onMouseDown();
}

QtDicFormView::QtDicFormView(TMessageBox& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setObjectName(QStringLiteral("DicForm"));
    setWindowTitle(Q(kDicFormCaption));
    resize(570, 348);
    setSizeGripEnabled(true);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QAction* help = MainMenu1->addAction(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("MenuHelp"));

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    auto* wordLabel = new QLabel(QStringLiteral("語句(ごく)"), this);
    LEWord = new TDicEdit(this);
    LEWord->setObjectName(QStringLiteral("LEWord"));
    wordLabel->setBuddy(LEWord);
    Label2 = Note(QStringLiteral("(例)へ行った\n　　家"), "Label2", {}, this);
    auto* rubiLabel = new QLabel(QStringLiteral("ルビ振(ふ)り後(ご)の表記(ひょうき)"), this);
    LERubi = new TDicEdit(this);
    LERubi->setObjectName(QStringLiteral("LERubi"));
    LERubi->setStyleSheet(QStringLiteral("QLineEdit { background: #ff0000; color: #ffffff; }"));
    rubiLabel->setBuddy(LERubi);
    rubiLabel->setWordWrap(true);
    Label3 = Note(QStringLiteral("(例)へ行<い>った\n　　家<うち>"), "Label3",
                  QStringLiteral("background: #ff0000; color: #ffffff;"), this);
    Label1 = Note(QStringLiteral("ルビ記号(きごう)は\"<>\"(半角(はんかく))を必(かなら)ず"
                                 "使(つか)ってください。"),
                  "Label1", QStringLiteral("background: #ffff00; color: #000000;"), this);
    for (QLabel* example : {Label2, Label3})
        example->setFixedWidth(154);
    BtnToroku = new QPushButton(QStringLiteral("登録(とうろく)"), this);
    BtnToroku->setObjectName(QStringLiteral("BtnToroku"));
    BtnDel = new QPushButton(QStringLiteral("削除(さくじょ)"), this);
    BtnDel->setObjectName(QStringLiteral("BtnDel"));
    BtnDel->setEnabled(false);
    BtnToroku->setAutoDefault(false);
    BtnDel->setAutoDefault(false);
    for (QWidget* w : std::initializer_list<QWidget*>{wordLabel, LEWord, Label2, rubiLabel, LERubi,
                                                      Label3, Label1, BtnToroku, BtnDel})
        left->addWidget(w);
    left->addStretch(1);

    ValueListEditor1 = new QTableWidget(0, 2, this);
    ValueListEditor1->setObjectName(QStringLiteral("ValueListEditor1"));
    ValueListEditor1->setHorizontalHeaderLabels(
        {QStringLiteral("語句(ごく)"), QStringLiteral("ルビ振(ふ)り後(ご)の表記(ひょうき)")});
    // The designed widths, or wider where the title would not fit.
    auto* header = ValueListEditor1->horizontalHeader();
    ValueListEditor1->setColumnWidth(0, std::max(174, header->sectionSizeHint(0)));
    ValueListEditor1->setColumnWidth(1, std::max(197, header->sectionSizeHint(1)));
    ValueListEditor1->horizontalHeader()->setStretchLastSection(true);
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ValueListEditor1->setSelectionMode(QAbstractItemView::SingleSelection);
    ValueListEditor1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(8, 8, 8, 8);
    auto* leftBox = new QWidget(this);
    leftBox->setLayout(left);
    leftBox->setFixedWidth(180);
    left->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(leftBox);
    columns->addWidget(ValueListEditor1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setMenuBar(MainMenu1);
    outer->addLayout(columns);
    // Room for the left column and both grid columns.
    resize(std::max(570, 180 + ValueListEditor1->columnWidth(0) + ValueListEditor1->columnWidth(1) +
                             3 * 8 + 4),
           348);

    connect(help, &QAction::triggered, this, [this] {
        if (form_) form_->MenuHelpClick();
    });
    connect(LEWord, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (form_) form_->LEWordChange(text.toStdU16String());
    });
    connect(LERubi, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (form_) form_->LERubiChange(text.toStdU16String());
    });
    LEWord->onEnter = [this](int selected, int length) {
        if (form_) form_->LEWordEnter(selected, length);
    };
    LERubi->onEnter = [this](int selected, int length) {
        if (form_) form_->LERubiEnter(selected, length);
    };
    LEWord->onMouseDown = [this] {
        if (form_) form_->LEWordMouseDown();
    };
    LERubi->onMouseDown = [this] {
        if (form_) form_->LERubiMouseDown();
    };
    connect(BtnToroku, &QPushButton::clicked, this, [this] {
        if (form_) form_->BtnTorokuClick();
    });
    connect(BtnDel, &QPushButton::clicked, this, [this] {
        if (form_) form_->BtnDelClick();
    });
    connect(ValueListEditor1, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (!updating_ && form_ && row >= 0) form_->ValueListEditor1SelectCell(row + 1);
    });
    connect(ValueListEditor1, &QTableWidget::cellClicked, this, [this](int row) {
        if (!updating_ && form_ && row >= 0) form_->ValueListEditor1SelectCell(row + 1);
    });
}

void QtDicFormView::SetForm(TDicForm* form) {
    form_ = form;
}

void QtDicFormView::ShowModal() {
    exec();
}

void QtDicFormView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (form_ && !event->spontaneous()) form_->FormShow();
}

void QtDicFormView::closeEvent(QCloseEvent* event) {
    if (form_ && !form_->FormCloseQuery()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void QtDicFormView::reject() {
    // Escape closes the window as its close button does: saving first.
    if (form_ && !form_->FormCloseQuery()) return;
    QDialog::reject();
}

void QtDicFormView::SetRows(const std::vector<DicRow>& rows) {
    updating_ = true;
    ValueListEditor1->clearContents();
    ValueListEditor1->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const DicRow& row = rows[static_cast<size_t>(i)];
        ValueListEditor1->setItem(i, 0, new QTableWidgetItem(QString::fromStdU16String(row.word)));
        ValueListEditor1->setItem(i, 1, new QTableWidgetItem(QString::fromStdU16String(row.rubi)));
    }
    updating_ = false;
}

void QtDicFormView::SelectRow(int row) {
    updating_ = true;
    if (row >= 1 && row <= ValueListEditor1->rowCount()) {
        ValueListEditor1->setCurrentCell(row - 1, 0);
        ValueListEditor1->selectRow(row - 1);
    } else {
        ValueListEditor1->clearSelection();
        ValueListEditor1->setCurrentCell(-1, -1);
    }
    updating_ = false;
}

void QtDicFormView::SetWordText(const std::u16string& text) {
    LEWord->setText(QString::fromStdU16String(text));
}
void QtDicFormView::SetRubiText(const std::u16string& text) {
    LERubi->setText(QString::fromStdU16String(text));
}
void QtDicFormView::SelectAllWord() {
    LEWord->selectAll();
}
void QtDicFormView::SelectAllRubi() {
    LERubi->selectAll();
}
void QtDicFormView::SetTorokuEnabled(bool on) {
    BtnToroku->setEnabled(on);
}
void QtDicFormView::SetDelEnabled(bool on) {
    BtnDel->setEnabled(on);
}

bool QtDicFormView::AskYesNo(const std::u16string& text) {
    return messages_.Show(text, TMessageBox::Question, TMessageBox::Yes | TMessageBox::No) ==
           TMessageBox::Yes;
}
void QtDicFormView::Message(const std::u16string& text) {
    messages_.Info(text);
}
void QtDicFormView::ErrorBox(const std::u16string& text) {
    messages_.Error(text);
}

}  // namespace velmora
