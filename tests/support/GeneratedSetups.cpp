#include "tests/support/GeneratedSetups.h"

#include <QTest>

namespace qm::test {

namespace {

using F = Field;

const std::vector<FieldRange> Ranges410a = {
    {F::TextEnables, 255}, {F::DateMode, 255},   {F::TimeCodeInput, 1}, {F::HourMode, 1},
    {F::TimeZone, 255},    {F::WindowMode, 255}, {F::DisplayMode, 255}, {F::VertPos, 63},
    {F::HorizPos, 255},    {F::VertSize, 3},     {F::HorizSize, 15},    {F::Blank, 1}};
const std::vector<FieldRange> Ranges520a = {
    {F::TextEnables, 255}, {F::AutoStop, 255}, {F::LeapSeconds, 255}, {F::WindowMode, 255},
    {F::DisplayMode, 255}, {F::VertPos, 63},   {F::HorizPos, 255},    {F::VertSize, 3},
    {F::HorizSize, 15},    {F::Blank, 1},      {F::TimeFont, 255}};

// The reply's start and end markers can stand in no data byte.
bool isMarker(int byte)
{
    return byte == 0xF8 || byte == 0xFC;
}

// Characters of Windows-1252 a line may hold: 0xFA (u acute), a C1 control the code page
// leaves undefined, a zero byte and a blank among them; the pad (euro sign) and the markers
// (u and o with diaeresis and stroke) never.
const QString Alphabet = QStringLiteral("AZaz09 |\"\\{}~\u00fa\u00e9\u00c4\u00df\u00bf\u0160\u2026"
                                        "\u2019\u0081\u0000\u00ff\u00a0");

QString randomText(QRandomGenerator &random, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += Alphabet.at(random.bounded(static_cast<int>(Alphabet.size())));
    // A blank at either end would be trimmed on its way to the unit.
    if (text.startsWith(u' '))
        text[0] = u'x';
    if (text.endsWith(u' '))
        text[text.size() - 1] = u'x';
    return text;
}

} // namespace

const std::vector<FieldRange> &roundTripRanges(const UnitModel &model)
{
    return model.name == u"QM-410A" ? Ranges410a : Ranges520a;
}

ChannelSettings largestChannel(const UnitModel &model, int seed)
{
    ChannelSettings record;
    for (const FieldRange &range : roundTripRanges(model))
        record[range.field] = static_cast<quint8>(range.largest);
    // VertPos 63 over VertSize 0 would pack into the start marker.
    record[F::VertSize] = 3;
    record.texts = {QString(30, QChar(u'\u00fa')),
                    QStringLiteral("%1").arg(seed).leftJustified(30, u'#'), QString()};
    return record;
}

ChannelSettings randomChannel(const UnitModel &model, QRandomGenerator &random)
{
    ChannelSettings record;
    for (const FieldRange &range : roundTripRanges(model)) {
        int value = 0;
        do
            value = random.bounded(range.largest + 1);
        while (isMarker(value));
        record[range.field] = static_cast<quint8>(value);
    }
    while (isMarker(record[F::VertPos] * 4 + record[F::VertSize]))
        record[F::VertSize] = static_cast<quint8>(random.bounded(4));
    for (QString &text : record.texts)
        text = randomText(random, random.bounded(4) == 0 ? 30 : random.bounded(31));
    return record;
}

Setup randomSetup(const UnitModel &model, QRandomGenerator &random, bool partial)
{
    Setup setup{&model, {}, model.recordFields, {}};
    for (int index = 0; index < ChannelCount; ++index) {
        if (!partial || random.bounded(3) > 0)
            setup.present.append(index);
        setup.channels[index] = randomChannel(model, random);
    }
    if (setup.present.isEmpty())
        setup.present.append(random.bounded(ChannelCount));
    return setup;
}

const UnitModel &modelNamed(const QString &name)
{
    return unitModelByName(name)->get();
}

void addModelRows()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << QStringLiteral("410a");
    QTest::newRow("QM-520A") << QStringLiteral("520a");
}

} // namespace qm::test
