#include "panel/editor/UnitTextValidator.h"

#include "protocol/CharacterNames.h"
#include "protocol/Frames.h"
#include "protocol/HiddenFrames.h"
#include "protocol/RoundTrip.h"

#include <QLineEdit>
#include <QToolTip>

namespace qm {

UnitTextValidator::UnitTextValidator(QLineEdit *line, const UnitModel &model)
    : QValidator(line), m_line(line), m_model(model)
{
    line->setValidator(this);
}

// Which line it is does not matter: a hidden frame depends on the bytes of the text alone.
QValidator::State UnitTextValidator::validate(QString &input, int &) const
{
    for (char32_t character : input.toUcs4()) {
        const QString problem = characterProblem(character);
        if (!problem.isEmpty())
            return refuse(
                withCharacterCode(
                    QStringLiteral("\u201c%1\u201d").arg(QString::fromUcs4(&character, 1)),
                    character) +
                QStringLiteral(" cannot be sent to the unit: ") + problem);
    }
    // The unit shows the line without the spaces at its ends, cut to what a line holds.
    if (trimSpaces(input).toString().toUcs4().size() > TextPayloadLength)
        return refuse(QStringLiteral("A line holds up to %1 characters; the unit would show "
                                     "no more.")
                          .arg(TextPayloadLength));
    if (const auto hidden = hiddenFrameInText(m_model, 0, input, 0))
        return refuse(QStringLiteral("This cannot be sent to the unit: %1.").arg(hidden->reason));
    return Acceptable;
}

// The refused edit never reaches the line, so the tool tip is all the operator sees of it.
QValidator::State UnitTextValidator::refuse(const QString &why) const
{
    QToolTip::showText(m_line->mapToGlobal(QPoint(0, m_line->height())), why, m_line);
    return Invalid;
}

} // namespace qm
