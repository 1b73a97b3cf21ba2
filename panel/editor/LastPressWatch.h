#pragma once

#include <QObject>

namespace qm {

// Tells, anywhere in the program, whether the operator's latest press was a key rather than
// a mouse button or the wheel: a control changed from the keyboard keeps it.
class LastPressWatch : public QObject
{
    Q_OBJECT
public:
    explicit LastPressWatch(QObject *parent = nullptr);

    bool wasKey() const { return m_key; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_key = false;
};

} // namespace qm
