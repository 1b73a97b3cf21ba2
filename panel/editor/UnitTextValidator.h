#pragma once

#include <QValidator>

class QLineEdit;

namespace qm {

struct UnitModel;

// Keeps out of a text line each character that cannot reach the unit as it was typed (one
// outside the unit's character set, one whose byte the unit uses as a pad or a marker, one
// that would end a frame of its own inside the line's frame, or one past what a line holds),
// and says why beside the line, so that nothing is changed on the way without a word. Blanks
// and every other character go in as typed.
class UnitTextValidator : public QValidator
{
    Q_OBJECT
public:
    UnitTextValidator(QLineEdit *line, const UnitModel &model);

    State validate(QString &input, int &position) const override;

private:
    State refuse(const QString &why) const;

    QLineEdit *m_line;
    const UnitModel &m_model;
};

} // namespace qm
