#include "multiupdate/UpdateDialog.h"

#include "model/Twips.h"
#include "model/UnitModel.h"
#include "multiupdate/SelectionList.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <array>

namespace qm {

namespace {

template<typename W> W *placed(W *widget, const char *objectName, const QRect &twips)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setGeometry(twips);
    return widget;
}

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
void growToFit(QWidget &widget, int neededWidth)
{
    constexpr int frameGap = twipsToPixels(90);
    const int room = widget.parentWidget()->width() - widget.x() - frameGap;
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
    arrangeTabOrder();
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
    m_channelsFrame = placed(new QGroupBox(QStringLiteral("Channels to update:"), this),
                             "frameChannels", twipsRect(90, 180, 2385, 3495));
    m_lstChannels =
        placed(new QListWidget(m_channelsFrame), "lstChannels", twipsRect(150, 630, 1845, 2760));
    m_chkAllChannels = placed(new QCheckBox(QStringLiteral("Select/Unselect All"), m_channelsFrame),
                              "chkAllChannels", twipsRect(180, 300, 1785, 285));
    m_settingsFrame = placed(new QGroupBox(QStringLiteral("Settings to update:"), this),
                             "frameSettings", twipsRect(2700, 180, 2385, 3495));
    m_chkAllSettings = placed(new QCheckBox(QStringLiteral("Select/Unselect All"), m_settingsFrame),
                              "chkAllSettings", twipsRect(180, 300, 1785, 285));
    m_lstSettings =
        placed(new QListWidget(m_settingsFrame), "lstSettings", twipsRect(150, 630, 1845, 2760));
    m_cmdUpdate = placed(new QPushButton(QStringLiteral("Update"), this), "cmdUpdate",
                         twipsRect(1020, 3780, 1305, 465));
    m_cmdCancel = placed(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel",
                         twipsRect(2880, 3780, 1305, 465));

    // Return in a list must not run the update: the dialog has no default button.
    for (QPushButton *button : {m_cmdUpdate, m_cmdCancel})
        button->setAutoDefault(false);

    m_channels = new SelectionList(*m_lstChannels, *m_chkAllChannels, this);
    m_settings = new SelectionList(*m_lstSettings, *m_chkAllSettings, this);
    connect(m_channels, &SelectionList::maskChanged, this, &UpdateDialog::channelSelectionChanged);
    connect(m_settings, &SelectionList::maskChanged, this, &UpdateDialog::settingSelectionChanged);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &UpdateDialog::acceptUpdate);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void UpdateDialog::arrangeTabOrder()
{
    const std::array<QWidget *, 6> order = {m_lstChannels, m_chkAllChannels, m_chkAllSettings,
                                            m_lstSettings, m_cmdUpdate,      m_cmdCancel};
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void UpdateDialog::load(const UnitModel &model, int channelsFound, quint32 channelSelection,
                        quint32 settingSelection)
{
    m_channels->load(channelItems(channelsFound), channelSelection);
    m_settings->load(groupCaptions(model), settingSelection);
    m_endedByUpdate = false;
}

void UpdateDialog::fitTexts()
{
    for (QCheckBox *box : {m_chkAllChannels, m_chkAllSettings})
        growToFit(*box, box->sizeHint().width());
    for (QListWidget *list : {m_lstChannels, m_lstSettings})
        growToFit(*list, contentWidth(*list));
}

void UpdateDialog::acceptUpdate()
{
    m_endedByUpdate = true;
    accept();
}

} // namespace qm
