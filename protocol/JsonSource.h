#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QJsonDocument>
#include <QString>

namespace qm {

// UTF-8's byte order mark, which a text may start with and a string may hold.
inline constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

// What a JSON text says that QJsonDocument does not give back: each number as written, and a
// key that an object names twice (QJsonDocument keeps the last one without a word).
struct JsonSource
{
    // Numbers by where they stand: "version", "channels/2/HorizPos" (list entries from 0).
    QHash<QString, QString> numbers;
    QString repeatedKey;       // the first key an object names twice
    qsizetype repeatedAt = -1; // its offset in the text; -1 when no key stands twice
};

// As QJsonDocument::fromJson, except that a number beyond what a double holds is read as one
// just as far out of every range (or, when it is too small, as a fraction) instead of failing
// the whole text, so that where it stands can say what is wrong with it; and a raw U+FEFF in a
// string reads as its escape, where QJsonDocument would drop it unseen.
QJsonDocument parseJsonText(QByteArrayView text, QJsonParseError *error);

// The numbers and repeated keys of a text that parseJsonText accepted.
JsonSource scanJson(QByteArrayView text);

} // namespace qm
