#include "tools/qm-unit-sim/StateFile.h"

#include "tools/qm-unit-sim/PlainNumber.h"
#include "tools/qm-unit-sim/UnitCharacters.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace qm::sim {

namespace {

constexpr int ByteMax = 255;

// Twelve lines of ten numbers and three texts fit many times over; a file this large is not
// one, and reading it whole could take all memory (a device such as /dev/zero never ends).
constexpr qint64 MaxFileBytes = 64 * 1024;

QList<QByteArray> linesOf(QByteArrayView contents)
{
    QList<QByteArray> lines = contents.toByteArray().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

bool isPlainNumber(const QString &text)
{
    return readPlainNumber(text).has_value();
}

} // namespace

StateFile::StateFile(const UnitWire &wire)
    : m_leadingFields(wire.exportFields.empty() ? wire.recordFields : wire.exportFields)
{
    for (Field field : wire.recordFields) {
        if (std::find(m_leadingFields.begin(), m_leadingFields.end(), field) ==
            m_leadingFields.end())
            m_optionalFields.push_back(field);
    }
}

StateFile::Result StateFile::parse(QByteArrayView contents) const
{
    const QList<QByteArray> lines = linesOf(contents);
    if (lines.size() != ChannelTable::size())
        return {std::nullopt, QStringLiteral("%1 lines, expected %2 (one per channel)")
                                  .arg(lines.size())
                                  .arg(ChannelTable::size())};
    ChannelTable table;
    for (int index = 0; index < lines.size(); ++index) {
        const QStringList fields = unitText(lines[index]).split(u'|');
        const QString error = readLine(fields, table[index]);
        if (!error.isEmpty())
            return {std::nullopt, QStringLiteral("line %1: %2").arg(index + 1).arg(error)};
    }
    return {table, {}};
}

StateFile::Result StateFile::load(const QString &path) const
{
    if (!QFileInfo(path).isFile())
        return {std::nullopt, path + QStringLiteral(": not a regular file")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, path + QStringLiteral(": ") + file.errorString()};
    // Read one byte past the limit, so that a file that grew after the check is seen as well.
    const QByteArray contents = file.read(MaxFileBytes + 1);
    if (contents.size() > MaxFileBytes)
        return {std::nullopt, QStringLiteral("%1: larger than %2 bytes, not a state file")
                                  .arg(path)
                                  .arg(MaxFileBytes)};
    Result result = parse(contents);
    if (!result.table)
        result.error = path + QStringLiteral(": ") + result.error;
    return result;
}

QString StateFile::readLine(const QStringList &fields, ChannelSettings &record) const
{
    const auto leading = static_cast<qsizetype>(m_leadingFields.size());
    if (fields.size() < leading + TextLineCount) {
        QString expected = QString::number(leading + TextLineCount);
        if (!m_optionalFields.empty())
            expected += QStringLiteral(" or %1").arg(
                leading + TextLineCount + static_cast<qsizetype>(m_optionalFields.size()));
        return QStringLiteral("%1 fields, expected %2").arg(fields.size()).arg(expected);
    }
    QString error = readNumbers(fields, m_leadingFields, 0, record);
    if (!error.isEmpty())
        return error;

    const qsizetype optional = optionalFieldsPresent(fields);
    const qsizetype textEnd = fields.size() - optional;
    std::vector<Field> present(m_optionalFields.begin(), m_optionalFields.begin() + optional);
    error = readNumbers(fields, present, textEnd, record);
    record.texts[0] = fields[leading];
    record.texts[1] = fields[leading + 1];
    record.texts[2] = fields.mid(leading + 2, textEnd - leading - 2).join(u'|');
    return error;
}

QString StateFile::readNumbers(const QStringList &fields, const std::vector<Field> &order,
                               qsizetype first, ChannelSettings &record) const
{
    for (std::size_t i = 0; i < order.size(); ++i) {
        const qsizetype position = first + static_cast<qsizetype>(i);
        const QString &text = fields[position];
        const std::optional<int> value = readPlainNumber(text);
        const QString name =
            QStringLiteral("field %1 (%2)").arg(position + 1).arg(fieldName(order[i]));
        if (!value)
            return QStringLiteral("%1 is not a number: \"%2\"").arg(name, text);
        if (*value > ByteMax)
            return QStringLiteral("%1 is %2, more than %3").arg(name).arg(*value).arg(ByteMax);
        record[order[i]] = static_cast<quint8>(*value);
    }
    return {};
}

// Trailing fields are the optional numbers only when every one of them is a plain number and
// the three texts are still there in front of them.
qsizetype StateFile::optionalFieldsPresent(const QStringList &fields) const
{
    const auto optional = static_cast<qsizetype>(m_optionalFields.size());
    const auto required = static_cast<qsizetype>(m_leadingFields.size()) + TextLineCount;
    if (optional == 0 || fields.size() < required + optional)
        return 0;
    const QStringList trailing = fields.mid(fields.size() - optional);
    return std::all_of(trailing.begin(), trailing.end(), isPlainNumber) ? optional : 0;
}

} // namespace qm::sim
