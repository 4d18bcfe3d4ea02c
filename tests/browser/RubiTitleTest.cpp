// The history entry of a written page: where its title is found and how it is shortened.
#include <QTest>

#include "browser/RubiTitle.h"

using namespace velmora;

namespace {

std::vector<std::u16string> Lines(const QStringList& list) {
    std::vector<std::u16string> lines;
    for (const QString& line : list)
        lines.push_back(line.toStdU16String());
    return lines;
}

}  // namespace

class RubiTitleTest : public QObject {
    Q_OBJECT

private slots:
    void entry_data();
    void entry();
    void shortenedToTheWidth_data();
    void shortenedToTheWidth();
};

void RubiTitleTest::entry_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("title on one line")
        << QStringList{"<head>", "<TITLE>漢字(かんじ)の本(ほん)</Title>", "</head>"}
        << "漢字(かんじ)の本(ほん)";
    QTest::newRow("text on the next line")
        << QStringList{"<title>", "My 'Page' </title>", "x"} << "My 'Page' ";
    QTest::newRow("no closing tag: 25 after the tag")
        << QStringList{"<title>abcdefghijklmnopqrstuvwxyz0123"} << "abcdefghijklmnopqrstuvwxy";
    QTest::newRow("next line without closing tag")
        << QStringList{"<title>", "abcdefghijklmnopqrstuvwxyz0123"} << "abcdefghijklmnopqrstuvwxy";
    QTest::newRow("empty title") << QStringList{"<title></title>", "</head>"} << "Rubi7";
    QTest::newRow("title tag ends the last line") << QStringList{"<html><title>"} << "Rubi7";
    QTest::newRow("no title") << QStringList{"<html>", "<body>本</body>"} << "Rubi7";
    QTest::newRow("first title counts")
        << QStringList{"<title>One</title>", "<title>Two</title>"} << "One";
}

void RubiTitleTest::entry() {
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    const auto everything = [](const std::u16string&) { return true; };
    QCOMPARE(QString::fromStdU16String(RubiTitleEntry(Lines(lines), 7, everything)), expected);
}

void RubiTitleTest::shortenedToTheWidth_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("maxUnits");  // what "fits" allows, in code units
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << "abcdef" << 6 << "abcdef";
    QTest::newRow("cut then dots") << "abcdef" << 4 << "abcd...";
    QTest::newRow("nothing fits") << "abc" << 0 << "...";
    // U+20BB7 (𠮷) is two code units; it goes as a whole.
    QTest::newRow("no half character") << QString::fromUtf8("ab\xF0\xA0\xAE\xB7") << 3 << "ab...";
}

void RubiTitleTest::shortenedToTheWidth() {
    QFETCH(QString, title);
    QFETCH(int, maxUnits);
    QFETCH(QString, expected);
    const auto fits = [&](const std::u16string& t) {
        return static_cast<int>(t.size()) <= maxUnits;
    };
    const auto lines = Lines({QStringLiteral("<title>") + title + QStringLiteral("</title>")});
    QCOMPARE(QString::fromStdU16String(RubiTitleEntry(lines, 1, fits)), expected);
}

QTEST_MAIN(RubiTitleTest)
#include "RubiTitleTest.moc"
