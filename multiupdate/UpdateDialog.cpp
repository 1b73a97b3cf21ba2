#include "multiupdate/UpdateDialog.h"

#include "form/FormBuilder.h"
#include "form/RowMakers.h"
#include "model/Twips.h"
#include "model/UnitModel.h"
#include "multiupdate/SelectionList.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace qm {

namespace {

using namespace rows;

// Channel 1 is always listed, even before any channel has answered, and it counts like any
// listed channel so that what the operator ticks is what the run uses.
QStringList channelItems(int channelsFound)
{
    const int listed = std::clamp(channelsFound, 1, ChannelCount);
    QStringList items;
    for (int n = 1; n <= listed; ++n)
        items << QStringLiteral("Channel   %1").arg(n);
    return items;
}

QStringList groupCaptions(const UnitModel &model)
{
    QStringList captions;
    for (const UpdateGroup &group : model.updateGroups)
        captions << group.caption;
    return captions;
}

// The layout leaves the texts little room, and a system font wider than the one it was drawn
// for must not clip them: a control too narrow for its content grows to the right, at most
// up to the gap the dialog keeps before its own frames.
constexpr int FrameGapTwips = 90;

void growToFit(QWidget &widget, int neededWidth)
{
    const int room = widget.parentWidget()->width() - widget.x() - twipsToPixels(FrameGapTwips);
    const int width = std::min(neededWidth, room);
    if (width > widget.width())
        widget.resize(width, widget.height());
}

int contentWidth(const QListWidget &list)
{
    int width = list.sizeHintForColumn(0) + 2 * list.frameWidth();
    if (list.count() * list.sizeHintForRow(0) > list.height() - 2 * list.frameWidth())
        width += list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    return width;
}

// A frame of the dialog: its "Select/Unselect All" box above the list it ticks.
void appendSelectionFrame(Rows &rows, const QString &frame, int left, const QString &caption,
                          const QString &list, const QString &selectAll,
                          std::pair<int, int> tabIndices)
{
    rows.push_back(
        captioned(ControlKind::TitledFrame, frame, Root, {left, 180, 2385, 3495}, caption));
    rows.push_back(tabStop(
        checkBox(selectAll, frame, {180, 300, 1785, 285}, QStringLiteral("Select/Unselect All")),
        tabIndices.first));
    rows.push_back(tabStop(captioned(ControlKind::ListBox, list, frame, {150, 630, 1845, 2760}),
                           tabIndices.second));
}

WindowRow dialogButton(const QString &name, int left, const QString &caption, int tabIndex)
{
    return tabStop(button(name, {left, 3780, 1305, 465}, caption), tabIndex);
}

// The dialog as designed. Tab walks it in the design's order, from the channel list.
Rows dialogRows()
{
    Rows rows;
    appendSelectionFrame(rows, QStringLiteral("frameChannels"), 90,
                         QStringLiteral("Channels to update:"), QStringLiteral("lstChannels"),
                         QStringLiteral("chkAllChannels"), {1, 0});
    appendSelectionFrame(rows, QStringLiteral("frameSettings"), 2700,
                         QStringLiteral("Settings to update:"), QStringLiteral("lstSettings"),
                         QStringLiteral("chkAllSettings"), {2, 3});
    rows.push_back(dialogButton(QStringLiteral("cmdUpdate"), 1020, QStringLiteral("Update"), 4));
    rows.push_back(dialogButton(QStringLiteral("cmdCancel"), 2880, QStringLiteral("Cancel"), 5));
    return rows;
}

} // namespace

UpdateDialog::UpdateDialog(const UnitModel &model, int channelsFound, quint32 channelSelection,
                           quint32 settingSelection, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Update Multiple Channels"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(twipsToPixels(5205), twipsToPixels(4290));
    createControls();
    load(model, channelsFound, channelSelection, settingSelection);
    fitTexts();
}

quint32 UpdateDialog::channelSelection() const
{
    return m_channels->mask();
}

quint32 UpdateDialog::settingSelection() const
{
    return m_settings->mask();
}

QPoint UpdateDialog::centredOn(const QWidget &main, const QSize &dialogFrameSize)
{
    const QRect mainFrame = main.frameGeometry();
    return {mainFrame.left() + (mainFrame.width() - dialogFrameSize.width()) / 2,
            mainFrame.top() + (mainFrame.height() - dialogFrameSize.height()) / 2};
}

void UpdateDialog::placeCentredOn(const QWidget &main)
{
    move(centredOn(main, frameGeometry().size()));
}

void UpdateDialog::createControls()
{
    auto *form = new FormBuilder(*this, dialogRows(), {.captionMarginTwips = FrameGapTwips});
    form->orderTabStops();
    m_lstChannels = form->required<QListWidget>(QStringLiteral("lstChannels"));
    m_lstSettings = form->required<QListWidget>(QStringLiteral("lstSettings"));
    auto *chkAllChannels = form->required<QCheckBox>(QStringLiteral("chkAllChannels"));
    auto *chkAllSettings = form->required<QCheckBox>(QStringLiteral("chkAllSettings"));
    auto *cmdUpdate = form->required<QPushButton>(QStringLiteral("cmdUpdate"));
    auto *cmdCancel = form->required<QPushButton>(QStringLiteral("cmdCancel"));

    // Return in a list must not run the update: the dialog has no default button.
    for (QPushButton *button : {cmdUpdate, cmdCancel})
        button->setAutoDefault(false);

    m_channels = new SelectionList(*m_lstChannels, *chkAllChannels, this);
    m_settings = new SelectionList(*m_lstSettings, *chkAllSettings, this);
    connect(m_channels, &SelectionList::maskChanged, this, &UpdateDialog::channelSelectionChanged);
    connect(m_settings, &SelectionList::maskChanged, this, &UpdateDialog::settingSelectionChanged);
    connect(cmdUpdate, &QPushButton::clicked, this, &UpdateDialog::acceptUpdate);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void UpdateDialog::load(const UnitModel &model, int channelsFound, quint32 channelSelection,
                        quint32 settingSelection)
{
    m_channels->load(channelItems(channelsFound), channelSelection);
    m_settings->load(groupCaptions(model), settingSelection);
    m_endedByUpdate = false;
}

// The lists' items come after they are built; each list grows to show its widest.
void UpdateDialog::fitTexts()
{
    for (QListWidget *list : {m_lstChannels, m_lstSettings})
        growToFit(*list, contentWidth(*list));
}

void UpdateDialog::acceptUpdate()
{
    m_endedByUpdate = true;
    accept();
}

} // namespace qm
