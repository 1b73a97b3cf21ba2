#include "panel/window/NoticePane.h"

#include <QAccessible>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QShortcut>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>

namespace qm {

// What the window told the operator, beside the wire trace: QT_LOGGING_RULES="qm.notice=true".
Q_LOGGING_CATEGORY(qmNotice, "qm.notice", QtWarningMsg)

namespace {

const QString Paragraphs = QStringLiteral("<br><br>");

} // namespace

NoticePane::NoticePane(QWidget &connectingPanel, int lowest)
    : QTextBrowser(connectingPanel.parentWidget()), m_place(connectingPanel), m_lowest(lowest),
      m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), this))
{
    setObjectName(QStringLiteral("lblNotice"));
    setAccessibleName(QStringLiteral("Notice"));
    setToolTip(QStringLiteral("Click beside the links or press Esc to close"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setOpenLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Reached by Tab for its links; a click must not take the keyboard from the arrow keys.
    setFocusPolicy(Qt::TabFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A device path has no spaces to break at.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setPalette(colours(palette()));
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &target) { emit linkActivated(target.toString()); });
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &NoticePane::dismiss);
    hide();
}

void NoticePane::putRich(const QString &topic, const QString &html)
{
    if (html.isEmpty())
        return;
    qCDebug(qmNotice).noquote() << QTextDocumentFragment::fromHtml(html).toPlainText();
    const auto same = std::find_if(m_entries.begin(), m_entries.end(),
                                   [&topic](const Entry &entry) { return entry.topic == topic; });
    if (same == m_entries.end())
        m_entries.append({topic, html});
    else
        same->html = html;
    if (!m_holding)
        showTexts();
}

void NoticePane::withdraw(const QString &topic)
{
    m_entries.removeIf([&topic](const Entry &entry) { return entry.topic == topic; });
    if (m_entries.isEmpty())
        dismiss();
    else if (isVisible())
        showTexts();
}

void NoticePane::hold()
{
    if (!m_holding)
        dismiss();
    m_holding = true;
}

void NoticePane::release()
{
    m_holding = false;
    if (!m_entries.isEmpty())
        showTexts();
}

void NoticePane::dismiss()
{
    m_entries.clear();
    m_escape->setEnabled(false);
    hide();
    uncoverControls();
}

QPalette NoticePane::colours(QPalette palette)
{
    const QColor base = palette.color(QPalette::Active, QPalette::ToolTipBase);
    const QColor text = palette.color(QPalette::Active, QPalette::ToolTipText);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto role : {QPalette::Window, QPalette::Base})
            palette.setColor(group, role, base);
        for (const auto role : {QPalette::WindowText, QPalette::Text})
            palette.setColor(group, role, text);
    }
    return palette;
}

QString NoticePane::richText(const QString &plain)
{
    return plain.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
}

QString NoticePane::link(const QString &target, const QString &caption)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(target.toHtmlEscaped(), caption.toHtmlEscaped());
}

void NoticePane::mouseReleaseEvent(QMouseEvent *event)
{
    if (!anchorAt(event->position().toPoint()).isEmpty()) {
        QTextBrowser::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    dismiss();
}

// As wide as the connecting panel and at least as tall; a longer text reaches further down, as
// far as its area allows, and scrolls beyond.
void NoticePane::showTexts()
{
    QStringList texts;
    for (const Entry &entry : std::as_const(m_entries))
        texts << entry.html;
    const QString html = texts.join(Paragraphs);
    setHtml(html);
    const QRect place = m_place.geometry();
    const int frame = 2 * frameWidth();
    QTextDocument measure;
    measure.setDefaultFont(font());
    measure.setDefaultTextOption(document()->defaultTextOption());
    measure.setDocumentMargin(document()->documentMargin());
    measure.setHtml(html);
    measure.setTextWidth(place.width() - frame);
    const int wanted = static_cast<int>(std::ceil(measure.size().height())) + frame;
    const int room = std::max(place.height(), m_lowest - place.y());
    setGeometry(place.x(), place.y(), place.width(), std::clamp(wanted, place.height(), room));
    coverControls();
    m_escape->setEnabled(true);
    const bool wasShown = isVisible();
    show();
    raise();
    // Screen readers speak it at once; it takes no focus that would make them read it. Some
    // heed an alert, those on the Linux desktop a notification that shows, as if anew when
    // its text changes.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    if (wasShown) {
        QAccessibleEvent again(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&again);
    }
}

// A control the notice hides even in part would take the keyboard out of sight; those on tab
// pages behind count as well, for a page may come to the front while the notice shows.
void NoticePane::coverControls()
{
    uncoverControls();
    QWidget *container = parentWidget();
    for (QWidget *control : container->findChildren<QWidget *>()) {
        const Qt::FocusPolicy policy = control->focusPolicy();
        if (control == this || isAncestorOf(control) || !(policy & Qt::TabFocus))
            continue;
        if (!QRect(control->mapTo(container, QPoint()), control->size()).intersects(geometry()))
            continue;
        m_covered.append({control, policy});
        control->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy & ~Qt::TabFocus));
    }
}

void NoticePane::uncoverControls()
{
    for (const Covered &covered : std::as_const(m_covered)) {
        if (covered.control)
            covered.control->setFocusPolicy(covered.policy);
    }
    m_covered.clear();
}

} // namespace qm
