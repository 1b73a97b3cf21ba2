#include "panel/window/MessageBoxes.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace qm {

namespace {

// More lines than this would push a message box's OK button off a small screen.
constexpr int MaxLinesInABox = 12;
constexpr int ListLinesShown = 15;

// The first line stays a heading; the list under it scrolls.
void showScrolling(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                   const QString &text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    const qsizetype headingEnd = text.indexOf(u'\n');
    auto *headingRow = new QHBoxLayout;
    auto *picture = new QLabel(&dialog);
    const QStyle::StandardPixmap standard = icon == QMessageBox::Warning
                                                ? QStyle::SP_MessageBoxWarning
                                                : QStyle::SP_MessageBoxInformation;
    const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
    picture->setPixmap(dialog.style()->standardIcon(standard, nullptr, &dialog).pixmap(size));
    headingRow->addWidget(picture, 0, Qt::AlignTop);
    auto *heading = new QLabel(text.left(headingEnd), &dialog);
    heading->setWordWrap(true);
    headingRow->addWidget(heading, 1);
    layout->addLayout(headingRow);
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
    show(QMessageBox::Information, title, text);
}

void QtMessageBoxes::warn(const QString &title, const QString &text)
{
    show(QMessageBox::Warning, title, text);
}

void QtMessageBoxes::show(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (text.count(u'\n') >= MaxLinesInABox) {
        showScrolling(m_parent, icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

} // namespace qm
