#pragma once

#include <QDialog>
#include <QtGlobal>

class QListWidget;

namespace qm {

struct UnitModel;
class SelectionList;

// The "Update Multiple Channels" dialog: the operator picks the target channels and the
// setting groups to copy. Each change of a choice is reported at once through the two signals
// (the caller stores it; Cancel takes nothing back); endedByUpdate() tells whether Update
// ended it.
class UpdateDialog : public QDialog
{
    Q_OBJECT
public:
    UpdateDialog(const UnitModel &model, int channelsFound, quint32 channelSelection,
                 quint32 settingSelection, QWidget *parent = nullptr);

    // True when the Update button ended the dialog.
    bool endedByUpdate() const { return m_endedByUpdate; }
    quint32 channelSelection() const;
    quint32 settingSelection() const;

    // Where the dialog's outer frame goes to stand centred on the main window's outer frame.
    static QPoint centredOn(const QWidget &main, const QSize &dialogFrameSize);
    void placeCentredOn(const QWidget &main);

signals:
    void channelSelectionChanged(quint32 mask);
    void settingSelectionChanged(quint32 mask);

private:
    void createControls();
    void load(const UnitModel &model, int channelsFound, quint32 channelSelection,
              quint32 settingSelection);
    void fitTexts();
    void acceptUpdate();

    QListWidget *m_lstChannels = nullptr;
    QListWidget *m_lstSettings = nullptr;
    SelectionList *m_channels = nullptr;
    SelectionList *m_settings = nullptr;
    bool m_endedByUpdate = false;
};

} // namespace qm
