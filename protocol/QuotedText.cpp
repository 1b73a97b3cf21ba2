#include "protocol/QuotedText.h"

#include <QList>

namespace qm {

QString quotedText(QStringView text)
{
    QString quoted = QStringLiteral("\"");
    for (char32_t c : text.toUcs4()) {
        if (c == U'\\' || c == U'"')
            quoted += u'\\' + QString(QChar(c));
        else if (QChar::isPrint(c))
            quoted += QString::fromUcs4(&c, 1);
        else if (c < 0x100)
            quoted += QStringLiteral("\\x%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
        else
            quoted += QStringLiteral("\\u%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    }
    return quoted + u'"';
}

} // namespace qm
