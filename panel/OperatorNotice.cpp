#include "OperatorNotice.h"

#include <QMouseEvent>
#include <QShortcut>

#include <algorithm>

namespace qm {

OperatorNotice::OperatorNotice(QWidget &connectingPanel)
    : QLabel(connectingPanel.parentWidget()), m_place(connectingPanel),
      m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), connectingPanel.window()))
{
    setObjectName(QStringLiteral("operatorNotice"));
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

void OperatorNotice::tell(const QString &text)
{
    if (text.isEmpty() || m_texts.contains(text))
        return;
    m_texts << text;
    if (!m_holding)
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
    if (!m_texts.isEmpty())
        showTexts();
}

void OperatorNotice::dismiss()
{
    m_texts.clear();
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
    setText(m_texts.join(QStringLiteral("\n\n")));
    const QRect place = m_place.geometry();
    const int height = std::max(place.height(), heightForWidth(place.width()));
    setGeometry(place.x(), place.y(), place.width(),
                std::min(height, parentWidget()->height() - place.y()));
    m_escape->setEnabled(true);
    show();
    raise();
}

} // namespace qm
