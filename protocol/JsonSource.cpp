#include "protocol/JsonSource.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>

namespace qm {

namespace {

bool isNumberByte(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The offset just past the string whose opening quote stands at start (the text's end when it
// is not closed).
qsizetype stringEnd(QByteArrayView text, qsizetype start)
{
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return text.size();
}

qsizetype numberEnd(QByteArrayView text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && isNumberByte(text[end]))
        ++end;
    return end;
}

// Only a number JSON allows is read in place of one a double cannot hold: anything else stays
// the fault QJsonDocument reports.
bool isJsonNumber(const QByteArray &number)
{
    static const QRegularExpression pattern(
        QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"));
    return pattern.match(QString::fromLatin1(number)).hasMatch();
}

// A JSON number whose whole part is 0 (it starts with 0: JSON allows no other leading zero) or
// whose exponent is negative failed for being too small, any other for being too large.
QByteArray standIn(const QByteArray &number)
{
    const bool negative = number.startsWith('-');
    const bool tooSmall =
        number.contains("e-") || number.contains("E-") || number.at(negative ? 1 : 0) == '0';
    if (tooSmall)
        return "0.5";
    return negative ? "-1e300" : "1e300";
}

QByteArray withFiniteNumbers(QByteArrayView text)
{
    QByteArray result;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == '"') {
            i = stringEnd(text, i);
            continue;
        }
        if (text[i] != '-' && (text[i] < '0' || text[i] > '9')) {
            ++i;
            continue;
        }
        const qsizetype end = numberEnd(text, i);
        const QByteArray number = text.sliced(i, end - i).toByteArray();
        bool finite = false;
        number.toDouble(&finite);
        if (!finite && isJsonNumber(number)) {
            result += text.sliced(copied, i - copied);
            result += standIn(number);
            copied = end;
        }
        i = end;
    }
    if (copied == 0)
        return text.toByteArray();
    return result.append(text.sliced(copied));
}

// QJsonDocument drops a raw U+FEFF at a string's start without a word; written as its escape
// it reaches the checks that refuse it in a text, as the escape itself does.
QByteArray withBomsEscaped(QByteArrayView text)
{
    if (!text.contains(Utf8Bom))
        return text.toByteArray();
    QByteArray result;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != '"') {
            result += text[i++];
            continue;
        }
        const qsizetype end = stringEnd(text, i);
        result += text.sliced(i, end - i).toByteArray().replace(Utf8Bom, "\\ufeff");
        i = end;
    }
    return result;
}

// Walks a valid text once; on anything unexpected it stops rather than guess.
class Scanner
{
public:
    explicit Scanner(QByteArrayView text) : m_text(text) {}

    JsonSource scan()
    {
        value({});
        return m_source;
    }

private:
    void value(const QString &path)
    {
        skipSpace();
        if (at('{'))
            object(path);
        else if (at('['))
            array(path);
        else if (at('"'))
            m_pos = stringEnd(m_text, m_pos);
        else
            scalar(path);
    }

    void object(const QString &path)
    {
        ++m_pos;
        skipSpace();
        if (closes('}'))
            return;
        QSet<QString> keys;
        while (at('"')) {
            const qsizetype keyStart = m_pos;
            const QString name = key();
            if (keys.contains(name) && m_source.repeatedAt < 0) {
                m_source.repeatedKey = name;
                m_source.repeatedAt = keyStart;
            }
            keys.insert(name);
            skipSpace();
            if (!at(':'))
                break;
            ++m_pos;
            value(child(path, name));
            skipSpace();
            if (!at(','))
                break;
            ++m_pos;
            skipSpace();
        }
        if (!closes('}'))
            m_pos = m_text.size();
    }

    void array(const QString &path)
    {
        ++m_pos;
        skipSpace();
        for (int index = 0; !closes(']') && m_pos < m_text.size(); ++index) {
            value(child(path, QString::number(index)));
            skipSpace();
            if (at(','))
                ++m_pos;
            else if (!at(']'))
                m_pos = m_text.size();
        }
    }

    // A number, true, false or null.
    void scalar(const QString &path)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && !isSpace(m_text[m_pos]) && m_text[m_pos] != ',' &&
               m_text[m_pos] != ']' && m_text[m_pos] != '}')
            ++m_pos;
        if (m_pos > start &&
            (m_text[start] == '-' || (m_text[start] >= '0' && m_text[start] <= '9')))
            m_source.numbers.insert(path, QString::fromLatin1(m_text.sliced(start, m_pos - start)));
    }

    QString key()
    {
        const qsizetype start = m_pos;
        m_pos = stringEnd(m_text, m_pos);
        const QByteArrayView quoted = m_text.sliced(start, m_pos - start);
        if (!quoted.contains('\\'))
            return QString::fromUtf8(quoted.sliced(1, std::max<qsizetype>(quoted.size() - 2, 0)));
        const QByteArray list = '[' + quoted.toByteArray() + ']';
        return QJsonDocument::fromJson(list).array().at(0).toString();
    }

    static QString child(const QString &path, const QString &name)
    {
        return path.isEmpty() ? name : path + u'/' + name;
    }

    bool at(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }

    bool closes(char c)
    {
        if (!at(c))
            return false;
        ++m_pos;
        return true;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos]))
            ++m_pos;
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
    JsonSource m_source;
};

} // namespace

QJsonDocument parseJsonText(QByteArrayView text, QJsonParseError *error)
{
    return QJsonDocument::fromJson(withFiniteNumbers(withBomsEscaped(text)), error);
}

JsonSource scanJson(QByteArrayView text)
{
    return Scanner(text).scan();
}

} // namespace qm
