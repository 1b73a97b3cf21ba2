#include "panel/window/OperatorNotice.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QShortcut>

#include <algorithm>

namespace qm {

OperatorNotice::OperatorNotice(QWidget &connectingPanel)
    : QLabel(connectingPanel.parentWidget()), m_place(connectingPanel),
      m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), connectingPanel.window()))
{
    setObjectName(QStringLiteral("lblNotice"));
    setAccessibleName(QStringLiteral("Notice"));
    setToolTip(QStringLiteral("Click or press Esc to close"));
    setWordWrap(true);
    setMargin(4);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setTextInteractionFlags(Qt::NoTextInteraction);
    // Tool tip colours set it apart from the controls; they stay when the window is
    // disabled (during start-up), so that it reads plainly.
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Window,
                         colours.color(QPalette::Active, QPalette::ToolTipBase));
        colours.setColor(group, QPalette::WindowText,
                         colours.color(QPalette::Active, QPalette::ToolTipText));
    }
    setPalette(colours);
    setAutoFillBackground(true);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &OperatorNotice::dismiss);
    hide();
}

void OperatorNotice::put(const QString &topic, const QString &text)
{
    if (text.isEmpty())
        return;
    const auto same = std::find_if(m_entries.begin(), m_entries.end(),
                                   [&topic](const Entry &entry) { return entry.topic == topic; });
    if (same == m_entries.end())
        m_entries.append({topic, text});
    else
        same->text = text;
    if (!m_holding)
        showTexts();
}

void OperatorNotice::withdraw(const QString &topic)
{
    m_entries.removeIf([&topic](const Entry &entry) { return entry.topic == topic; });
    if (m_entries.isEmpty())
        dismiss();
    else if (isVisible())
        showTexts();
}

void OperatorNotice::hold()
{
    if (!m_holding)
        dismiss();
    m_holding = true;
}

void OperatorNotice::release()
{
    m_holding = false;
    if (!m_entries.isEmpty())
        showTexts();
}

void OperatorNotice::dismiss()
{
    m_entries.clear();
    m_escape->setEnabled(false);
    hide();
}

void OperatorNotice::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    dismiss();
}

// As wide as the connecting panel and at least as tall; a longer text reaches further down.
void OperatorNotice::showTexts()
{
    QStringList texts;
    for (const Entry &entry : std::as_const(m_entries))
        texts << entry.text;
    setText(texts.join(QStringLiteral("\n\n")));
    const QRect place = m_place.geometry();
    const int height = std::max(place.height(), heightForWidth(place.width()));
    setGeometry(place.x(), place.y(), place.width(),
                std::min(height, parentWidget()->height() - place.y()));
    m_escape->setEnabled(true);
    show();
    raise();
    // Screen readers speak it at once; it takes no focus that would make them read it.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace qm
