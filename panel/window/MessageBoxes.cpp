#include "panel/window/MessageBoxes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qm {

namespace {

// More lines than this would push a message box's OK button off a small screen.
constexpr int MaxLinesInABox = 12;
constexpr int ListLinesShown = 15;

// The first line stays a heading; the list under it scrolls.
void showScrolling(QWidget *parent, const QString &title, const QString &text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    const qsizetype headingEnd = text.indexOf(u'\n');
    auto *heading = new QLabel(text.left(headingEnd), &dialog);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto *list = new QPlainTextEdit(text.mid(headingEnd + 1), &dialog);
    list->setObjectName(QStringLiteral("txtNoticeList"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setMinimumWidth(list->fontMetrics().averageCharWidth() * 72);
    list->setFixedHeight(list->fontMetrics().lineSpacing() * ListLinesShown);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace

void QtMessageBoxes::tell(const QString &title, const QString &text)
{
    if (text.count(u'\n') >= MaxLinesInABox)
        showScrolling(m_parent, title, text);
    else
        QMessageBox::information(m_parent, title, text, QMessageBox::Ok);
}

} // namespace qm
