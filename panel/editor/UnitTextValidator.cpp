#include "panel/editor/UnitTextValidator.h"

#include "protocol/RoundTrip.h"

#include <QLineEdit>
#include <QToolTip>

namespace qm {

UnitTextValidator::UnitTextValidator(QLineEdit *line) : QValidator(line), m_line(line)
{
    line->setValidator(this);
}

// The refused edit never reaches the line, so the tool tip is all the operator sees of it.
QValidator::State UnitTextValidator::validate(QString &input, int &) const
{
    for (char32_t character : input.toUcs4()) {
        const QString problem = characterProblem(character);
        if (problem.isEmpty())
            continue;
        QToolTip::showText(m_line->mapToGlobal(QPoint(0, m_line->height())),
                           QStringLiteral("\u201c%1\u201d cannot be sent to the unit: %2")
                               .arg(QString::fromUcs4(&character, 1), problem),
                           m_line);
        return Invalid;
    }
    return Acceptable;
}

} // namespace qm
