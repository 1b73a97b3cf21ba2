#pragma once

#include <QValidator>

class QLineEdit;

namespace qm {

// Keeps out of a text line each character that cannot reach the unit as it was typed (one
// outside the unit's character set, or one whose byte the unit uses as a pad or a marker),
// and says why beside the line, so that nothing is changed on the way without a word. Blanks
// and every other character go in as typed.
class UnitTextValidator : public QValidator
{
    Q_OBJECT
public:
    explicit UnitTextValidator(QLineEdit *line);

    State validate(QString &input, int &position) const override;

private:
    QLineEdit *m_line;
};

} // namespace qm
