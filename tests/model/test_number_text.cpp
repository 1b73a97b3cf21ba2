#include "model/NumberText.h"

#include <QTest>

#include <limits>

using namespace qm;

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void readsTheLeadingNumber_data();
    void readsTheLeadingNumber();
    void textWithoutNumberIsToldApartAndInt16RejectsWhatDoesNotFit();
};

void TestNumberText::readsTheLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits then letters") << "12abc" << 12.0;
    QTest::newRow("blank between digits") << "1 2" << 12.0;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("decimal point") << "5.5" << 5.5;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("hex byte") << "&HFF" << 255.0;
    QTest::newRow("hex 16 bit wraps") << "&HFFFF" << -1.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("exponent E") << "1e3" << 1000.0;
    QTest::newRow("exponent D") << "1D2" << 100.0;
    QTest::newRow("blanks around sign") << "  -  4" << -4.0;
    QTest::newRow("tab and line feed skipped") << "\t\n7" << 7.0;
    QTest::newRow("second point ends the number") << "1.2.3" << 1.2;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("overflow") << "1e400" << std::numeric_limits<double>::infinity();
    QTest::newRow("negative overflow") << "-1D999" << -std::numeric_limits<double>::infinity();
    QTest::newRow("underflow") << "1e-400" << 0.0;
}

void TestNumberText::readsTheLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(readNumber(text), value);
}

void TestNumberText::textWithoutNumberIsToldApartAndInt16RejectsWhatDoesNotFit()
{
    QCOMPARE(parseLeadingNumber(u"0"), std::optional<double>(0));
    QCOMPARE(parseLeadingNumber(u"x0"), std::nullopt);
    QCOMPARE(parseLeadingNumber(u"&H"), std::nullopt);
    QCOMPARE(parseLeadingNumber(u"&Z1"), std::nullopt);
    QCOMPARE(parseLeadingNumber(u"&H1FFFFFFFF"), std::nullopt);
    QCOMPARE(roundHalfEven(-2.5), -2.0);
    QCOMPARE(roundHalfEven(2.51), 3.0);
    QCOMPARE(readInt16(u"12.5"), std::optional<qint16>(12));
    QCOMPARE(readInt16(u"13.5"), std::optional<qint16>(14));
    QCOMPARE(readInt16(u"32767"), std::optional<qint16>(32767));
    QCOMPARE(readInt16(u"-32768"), std::optional<qint16>(-32768));
    QCOMPARE(readInt16(u"32767.6"), std::nullopt);
    QCOMPARE(readInt16(u"&HFFFF"), std::optional<qint16>(-1));
    QCOMPARE(readInt16(u"&H10000"), std::nullopt);
    QCOMPARE(readInt16(u"none"), std::nullopt);
    QCOMPARE(readInt16(u"1e400"), std::nullopt);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "test_number_text.moc"
