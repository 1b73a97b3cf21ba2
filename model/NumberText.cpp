#include "model/NumberText.h"

#include <QString>

#include <cmath>
#include <limits>

namespace qm {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Walks the text one significant character at a time, skipping blanks wherever they stand.
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) {}

    QChar peek()
    {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : QChar();
    }
    void next() { ++m_pos; }
    bool take(char16_t upper)
    {
        if (peek().toUpper() != QChar(upper))
            return false;
        next();
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

int digitValue(QChar c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c.unicode() - u'0';
    else if (c.toUpper() >= u'A' && c.toUpper() <= u'F')
        value = c.toUpper().unicode() - u'A' + 10;
    return value >= 0 && value < base ? value : -1;
}

// Integers written with &H or &O take the width of the smallest integer type that holds
// their digits, so "&HFFFF" is -1, as the unit's original tools read it.
std::optional<double> readRadixInteger(Reader &reader, int base)
{
    quint64 value = 0;
    bool sawDigit = false;
    for (int digit; (digit = digitValue(reader.peek(), base)) >= 0; reader.next()) {
        sawDigit = true;
        value = value * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (!sawDigit)
        return std::nullopt;
    if (value <= 0xFFFF)
        return static_cast<qint16>(static_cast<quint16>(value));
    return static_cast<qint32>(static_cast<quint32>(value));
}

QString readDecimalDigits(Reader &reader, bool allowPoint)
{
    QString digits;
    bool pointSeen = !allowPoint;
    for (QChar c = reader.peek(); !c.isNull(); c = reader.peek()) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        } else if (c == u'.' && !pointSeen) {
            pointSeen = true;
            digits += c;
        } else {
            break;
        }
        reader.next();
    }
    return digits;
}

} // namespace

double readNumber(QStringView text)
{
    return parseLeadingNumber(text).value_or(0);
}

std::optional<double> parseLeadingNumber(QStringView text)
{
    Reader reader(text);
    if (reader.peek() == u'&') {
        reader.next();
        if (reader.take(u'H'))
            return readRadixInteger(reader, 16);
        if (reader.take(u'O'))
            return readRadixInteger(reader, 8);
        return std::nullopt;
    }

    QString number;
    if (reader.peek() == u'+' || reader.peek() == u'-') {
        number += reader.peek();
        reader.next();
    }
    const QString mantissa = readDecimalDigits(reader, true);
    if (mantissa.isEmpty() || mantissa == u".")
        return std::nullopt;
    number += mantissa;

    if (reader.take(u'E') || reader.take(u'D')) {
        QString exponent;
        if (reader.peek() == u'+' || reader.peek() == u'-') {
            exponent += reader.peek();
            reader.next();
        }
        const QString exponentDigits = readDecimalDigits(reader, false);
        if (!exponentDigits.isEmpty())
            number += u'e' + exponent + exponentDigits;
    }

    // The text is a well-formed number by now, so a refusal means it does not fit a double:
    // too large reads as an infinity of its sign, beyond every range; too small as zero.
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return std::isinf(value) ? value : 0.0;
    return value;
}

double roundHalfEven(double value)
{
    return std::nearbyint(value);
}

std::optional<qint16> readInt16(QStringView text)
{
    const std::optional<double> number = parseLeadingNumber(text);
    if (!number)
        return std::nullopt;
    const double value = roundHalfEven(*number);
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(value);
}

} // namespace qm
