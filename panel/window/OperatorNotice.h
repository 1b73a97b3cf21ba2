#pragma once

#include <QLabel>
#include <QList>

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
    void tell(const QString &text) { put(text, text); }
    // A text that stands for topic, replacing what was said of it before.
    void put(const QString &topic, const QString &text);
    void withdraw(const QString &topic);
    // A poll begins: what was shown has been read; what comes now waits for release().
    void hold();
    void release();
    void dismiss();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showTexts();

    struct Entry
    {
        QString topic;
        QString text;
    };

    QWidget &m_place;
    QShortcut *m_escape;
    QList<Entry> m_entries;
    bool m_holding = false;
};

} // namespace qm
