#pragma once

#include <QList>
#include <QPointer>
#include <QTextBrowser>

class QShortcut;

namespace qm {

// The window's one place for what the operator should read and no message box carries: why
// a port cannot be used and what to do, or a preference that is not kept. It lies where the
// connecting panel lies, never over it while a poll runs, grows downwards with its text no
// further than its area and scrolls beyond that, and goes when clicked outside its links, on
// Esc, or when the unit is polled again. While it shows, Tab passes over the controls it covers.
class NoticePane : public QTextBrowser
{
    Q_OBJECT
public:
    // Takes the place of the connecting panel, within the same container, and reaches down at
    // most to lowest (in the container's coordinates).
    NoticePane(QWidget &connectingPanel, int lowest);

    // Plain text, shown at once unless held; a text already shown is not repeated.
    void tell(const QString &text) { put(text, text); }
    // A plain text that stands for topic, replacing what was said of it before.
    void put(const QString &topic, const QString &text) { putRich(topic, richText(text)); }
    // The same in rich text, whose links (made by link()) are reported by linkActivated().
    void putRich(const QString &topic, const QString &html);
    void withdraw(const QString &topic);
    // A poll begins: what was shown has been read; what comes now waits for release().
    void hold();
    void release();
    void dismiss();

    static QString richText(const QString &plain);
    // Tool tip colours in every state: they set the notice apart from the controls, and stay
    // when the window is disabled (during start-up), so that it reads plainly.
    static QPalette colours(QPalette palette);
    static QString link(const QString &target, const QString &caption);

signals:
    // A link of the shown text was clicked: its target.
    void linkActivated(const QString &target);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showTexts();
    void coverControls();
    void uncoverControls();

    struct Entry
    {
        QString topic;
        QString html;
    };
    struct Covered
    {
        QPointer<QWidget> control;
        Qt::FocusPolicy policy;
    };

    QWidget &m_place;
    int m_lowest;
    QShortcut *m_escape;
    QList<Entry> m_entries;
    QList<Covered> m_covered;
    bool m_holding = false;
};

} // namespace qm
