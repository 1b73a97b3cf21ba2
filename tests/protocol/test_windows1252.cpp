#include "Windows1252.h"

#include <QTest>

using namespace qm;

class TestWindows1252 : public QObject
{
    Q_OBJECT
private slots:
    void everyByteSurvivesARoundTrip();
    void charactersOutsideTheCodePageBecomeQuestionMarks();
};

void TestWindows1252::everyByteSurvivesARoundTrip()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(windows1252::encode(text), all);

    QCOMPARE(windows1252::toChar(0x80), QChar(0x20AC));
    QCOMPARE(windows1252::toChar(0x9F), QChar(0x0178));
    for (quint8 undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        QCOMPARE(windows1252::toChar(undefined), QChar(undefined));
        QCOMPARE(windows1252::toByte(undefined), undefined);
    }
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
