// What only the toolkit shows of the settings windows: the bevel label's pixels, the menu at
// the cursor, the dictionary editor's grid over the file.
#include <QCursor>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "TestFiles.h"
#include "settings/TDicForm.h"
#include "ui/qt/QtDicFormView.h"
#include "ui/qt/QtServices.h"
#include "ui/qt/TBevelLabel.h"

using namespace velmora;

namespace {

const QColor kBack(0x00, 0x80, 0x80);
const QColor kBlue(0x00, 0x00, 0xff);

// A solid square in a font drawn without smoothing, so every copy has sharp edges.
QImage Render(TBevelLabel& label) {
    label.setAutoFillBackground(true);
    QPalette p = label.palette();
    p.setColor(QPalette::Window, kBack);
    label.setPalette(p);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(30);
    font.setStyleStrategy(QFont::NoAntialias);
    label.setFont(font);
    label.setAlignment(Qt::AlignCenter);
    label.resize(80, 60);
    QImage image(label.size(), QImage::Format_RGB32);
    label.render(&image);
    return image;
}

// The box of the pixels that are not background.
QRect Ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != kBack) box |= QRect(x, y, 1, 1);
    return box;
}

// Japanese text arrives in a field from the input method.
void Commit(QWidget* field, const QString& text) {
    field->setFocus();
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(field, &event);
}

std::string Utf16Le(std::u16string_view s) {
    std::string out = "\xFF\xFE";
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

}  // namespace

class SettingsWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void bevelLayersOnTheImage();
    void disabledLabelIgnoresTheBevel();
    void editorGridShowsTheStore();
};

void SettingsWindowsTest::bevelLayersOnTheImage() {
    TBevelLabel plain(QStringLiteral("■"));
    plain.SetBevelType(TBevelType::btNone);
    plain.SetFontColor(kBlue);
    const QImage none = Render(plain);
    const QRect glyph = Ink(none);
    QVERIFY(glyph.width() > 8 && glyph.height() > 8);
    // btNone: the caption alone, in the font colour.
    QCOMPARE(none.pixelColor(glyph.center()), kBlue);
    QCOMPARE(none.pixelColor(glyph.topLeft() - QPoint(1, 1)), kBack);

    TBevelLabel bevel(QStringLiteral("&■"));  // the "&" is not drawn
    bevel.SetFontColor(kBlue);
    bevel.SetColorBrend(false);
    bevel.SetHighLightColor(Qt::white);
    bevel.SetShadowColor(Qt::black);
    const QImage image = Render(bevel);
    QCOMPARE(Ink(image), glyph.adjusted(-1, -1, 2, 2));
    QCOMPARE(image.pixelColor(glyph.center()), kBlue);
    QCOMPARE(image.pixelColor(glyph.topLeft() - QPoint(1, 1)), QColor(Qt::white));
    QCOMPARE(image.pixelColor(glyph.bottomRight() + QPoint(1, 1)), QColor(Qt::black));
    QCOMPARE(image.pixelColor(glyph.bottomRight() + QPoint(2, 2)), QColor(Qt::black));

    // Blended colours: the font colour halved with white and with black.
    bevel.SetColorBrend(true);
    const QImage blended = Render(bevel);
    QCOMPARE(blended.pixelColor(glyph.topLeft() - QPoint(1, 1)), QColor(0x7f, 0x7f, 0xff));
    QCOMPARE(blended.pixelColor(glyph.bottomRight() + QPoint(2, 2)), QColor(0, 0, 0x7f));
}

void SettingsWindowsTest::disabledLabelIgnoresTheBevel() {
    TBevelLabel label(QStringLiteral("■"));
    label.SetFontColor(kBlue);
    label.SetBevelWidth(4);
    label.setEnabled(false);
    const QImage image = Render(label);
    TBevelLabel plain(QStringLiteral("■"));
    plain.SetBevelType(TBevelType::btNone);
    plain.SetFontColor(kBlue);
    const QRect glyph = Ink(Render(plain));
    const QColor gray = QPalette().color(QPalette::Disabled, QPalette::WindowText);
    QCOMPARE(Ink(image), glyph.adjusted(-1, -1, 0, 0));
    QCOMPARE(image.pixelColor(glyph.bottomRight()), QColor(Qt::white));
    QCOMPARE(image.pixelColor(glyph.topLeft() - QPoint(1, 1)), gray);
    QCOMPARE(image.pixelColor(glyph.center()), gray);
}

void SettingsWindowsTest::editorGridShowsTheStore() {
    QtMessageBox boxes;
    boxes.SetAutoAnswer(TMessageBox::Yes);
    QTemporaryDir tmp;
    const std::filesystem::path file =
        std::filesystem::path(tmp.path().toStdString()) / "Dictionary.ini";
    test::WriteAll(file, Utf16Le(u"[RubiDic]\r\nへ行った=へ行<い>った\r\n家=家<うち>\r\n"));
    UserDictionary dic;
    QtDicFormView view(boxes);
    TDicForm form(view, {[&] { return file; }, &dic, {}});
    view.SetForm(&form);
    form.FormCreate();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTableWidget* grid = view.ValueListEditor1;
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("へ行った"));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("家<うち>"));
    QVERIFY(!view.BtnDel->isEnabled());

    // A click on a row fills the fields; typing a new entry and registering adds a row.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(1, 0)).center());
    QCOMPARE(view.LEWord->text(), QStringLiteral("家"));
    QVERIFY(view.BtnDel->isEnabled());
    view.LEWord->clear();
    view.LERubi->clear();
    Commit(view.LEWord, QStringLiteral("本"));
    Commit(view.LERubi, QStringLiteral("本<ほん>"));
    QVERIFY(view.BtnToroku->isEnabled());
    QTest::mouseClick(view.BtnToroku, Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->currentRow(), 2);
    view.close();
    QVERIFY(!view.isVisible());
    QCOMPARE(dic.DicWordCount, 3);
}

QTEST_MAIN(SettingsWindowsTest)
#include "SettingsWindowsTest.moc"
