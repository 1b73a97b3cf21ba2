#include "protocol/Windows1252.h"
#include "tests/support/CodePage.h"

#include <QTest>

using namespace qm;

class TestWindows1252 : public QObject
{
    Q_OBJECT
private slots:
    void everyByteHasItsCharacter_data();
    void everyByteHasItsCharacter();
    void charactersOutsideTheCodePageBecomeQuestionMarks();
};

void TestWindows1252::everyByteHasItsCharacter_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QChar>("character");
    for (int byte = 0; byte < 256; ++byte) {
        const bool high = byte >= 0x80 && byte <= 0x9F;
        const QChar character = high ? QChar(test::Windows1252HighRow[byte - 0x80]) : QChar(byte);
        QTest::addRow("0x%02X", byte) << byte << character;
    }
}

void TestWindows1252::everyByteHasItsCharacter()
{
    QFETCH(int, byte);
    QFETCH(QChar, character);
    const QByteArray one(1, static_cast<char>(byte));
    QCOMPARE(windows1252::toChar(static_cast<quint8>(byte)), character);
    QCOMPARE(windows1252::decode(one), QString(character));
    QCOMPARE(int(windows1252::toByte(character.unicode())), byte);
    QCOMPARE(windows1252::encode(QString(character)), one);
}

void TestWindows1252::charactersOutsideTheCodePageBecomeQuestionMarks()
{
    QCOMPARE(windows1252::encode(u"a\u4E2Db"), QByteArray("a?b"));
    // C1 controls other than the five undefined bytes have a real character in the code page.
    QCOMPARE(windows1252::encode(u"\u0080\u009F"), QByteArray("??"));
    QCOMPARE(windows1252::encode(u"\U0001F600x"), QByteArray("?x"));
    // A lone surrogate is one unmappable character too.
    QCOMPARE(windows1252::encode(QString(QChar(0xD800)) + u'x'), QByteArray("?x"));

    char out[3] = {};
    QCOMPARE(windows1252::encodeInto(u"\U0001F600\U0001F600\U0001F600\U0001F600", out, 3), 3);
}

QTEST_GUILESS_MAIN(TestWindows1252)
#include "test_windows1252.moc"
