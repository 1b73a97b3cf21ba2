#pragma once

#include <QLabel>
#include <QStringList>

class QShortcut;

namespace qm {

// The window's one place for what the operator should read and no message box carries: why
// a port cannot be used and what to do, or a preference that is not kept. It lies where the
// connecting panel lies, never over it while a poll runs, and goes when clicked, on Esc, or
// when the unit is polled again.
class OperatorNotice : public QLabel
{
    Q_OBJECT
public:
    // Takes the place of the connecting panel, within the same container.
    explicit OperatorNotice(QWidget &connectingPanel);

    // Shown at once, unless held; a text already shown is not repeated.
    void tell(const QString &text);
    // A poll begins: what was shown has been read; what comes now waits for release().
    void hold();
    void release();
    void dismiss();

    QStringList texts() const { return m_texts; }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showTexts();

    QWidget &m_place;
    QShortcut *m_escape;
    QStringList m_texts;
    bool m_holding = false;
};

} // namespace qm
