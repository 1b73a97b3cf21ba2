#include "tests/support/GeneratedSetups.h"

#include "protocol/Frames.h"
#include "tools/qm-unit-sim/CommandFrameDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <algorithm>

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

ChannelSettings randomRecord(const UnitModel &model, QRandomGenerator &random)
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

const sim::UnitWire &wireOf(const UnitModel &model)
{
    return *sim::unitWireByName(model.shortName);
}

QByteArray framed(const QByteArray &payload, int command, int index)
{
    return payload + static_cast<char>(command) + static_cast<char>(index) + '\xFA';
}

// Where a planted end stands in a payload of this size: half the time where the command's
// frame would end, when it fits.
int plantedEnd(const sim::UnitWire &wire, int command, int size, QRandomGenerator &random)
{
    const int length = sim::payloadLength(wire, static_cast<quint8>(command));
    if (length >= 0 && length + 2 < size && random.bounded(2) == 0)
        return length + 2;
    return 2 + random.bounded(size - 2);
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
    const auto sound = [&model](const ChannelSettings &record) {
        const QByteArrayList frames = payloadFrames(model, record, 0);
        return std::none_of(frames.begin(), frames.end(), [&model](const QByteArray &frame) {
            return holdsShorterFrame(model, frame);
        });
    };
    ChannelSettings record;
    do
        record = randomRecord(model, random);
    while (!sound(record));
    return record;
}

ChannelSettings channelWithFrameEnd(const UnitModel &model, QRandomGenerator &random)
{
    const sim::UnitWire &wire = wireOf(model);
    ChannelSettings record = randomRecord(model, random);
    const int command = 2 + random.bounded(8);
    const int channel = random.bounded(ChannelCount + 2);
    if (random.bounded(3) == 0) {
        const int size = static_cast<int>(wire.dataPayload.size());
        const int end = plantedEnd(wire, command, size, random);
        record[wire.dataPayload[static_cast<std::size_t>(end - 2)]] = static_cast<quint8>(command);
        record[wire.dataPayload[static_cast<std::size_t>(end - 1)]] = static_cast<quint8>(channel);
        record[wire.dataPayload[static_cast<std::size_t>(end)]] = sim::FrameEnd;
    } else {
        QString &text = record.texts[static_cast<std::size_t>(random.bounded(TextLineCount))];
        text = randomText(random, sim::TextBytes);
        const int end = plantedEnd(wire, command, sim::TextBytes, random);
        text[end - 2] = QChar(command);
        text[end - 1] = QChar(channel);
        text[end] = QChar(u'\u00fa');
    }
    return record;
}

QByteArrayList payloadFrames(const UnitModel &model, const ChannelSettings &record, int index)
{
    const sim::UnitWire &wire = wireOf(model);
    QByteArray data;
    for (Field field : wire.dataPayload)
        data += static_cast<char>(record[field]);
    QByteArrayList frames{framed(data, static_cast<int>(sim::Code::Data), index)};
    for (int line = 0; line < TextLineCount; ++line) {
        const auto text = textPayload(record.texts[static_cast<std::size_t>(line)]);
        frames << framed(QByteArray(text.data(), sim::TextBytes),
                         static_cast<int>(sim::Code::Line1) + line, index);
    }
    return frames;
}

qsizetype emulatedFrameEnd(const UnitModel &model, QByteArrayView bytes)
{
    sim::CommandFrameDecoder decoder(wireOf(model));
    QList<sim::CommandFrameDecoder::Piece> pieces = decoder.feed(bytes);
    pieces += decoder.flush();
    if (pieces.isEmpty() || !pieces.front().frame)
        return -1;
    return pieces.front().bytes.size() - 1;
}

bool holdsShorterFrame(const UnitModel &model, QByteArrayView frame)
{
    if (emulatedFrameEnd(model, frame) != frame.size() - 1)
        return true;
    if (wireOf(model).hasTimeFont)
        return false;
    for (qsizetype end = 2; end < frame.size() - 3; ++end) {
        if (static_cast<quint8>(frame[end]) == sim::FrameEnd &&
            static_cast<quint8>(frame[end - 2]) == static_cast<quint8>(sim::Code::Font) &&
            static_cast<quint8>(frame[end - 1]) < ChannelCount)
            return true;
    }
    return false;
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

QMap<int, QJsonObject> channelObjects(const QByteArray &file)
{
    QMap<int, QJsonObject> channels;
    for (const QJsonValue value :
         QJsonDocument::fromJson(file).object().value(u"channels").toArray())
        channels.insert(value.toObject().value(u"channel").toInt(), value.toObject());
    return channels;
}

void addModelRows()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << QStringLiteral("410a");
    QTest::newRow("QM-520A") << QStringLiteral("520a");
}

} // namespace qm::test
