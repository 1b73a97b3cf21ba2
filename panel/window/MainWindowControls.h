#pragma once

#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace qm {

class ChannelSelector;

// Typed access to the controls of a main window that the code gives behaviour by name; the
// setting controls are reached through their rows' bindings instead. A control the model's
// window lacks is nullptr.
struct MainWindowControls
{
    QFrame *frameConnecting = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *cmdClose = nullptr;
    QCheckBox *chkUpdateImmediately = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdUpdateMultiple = nullptr;
    QTabWidget *sstSettings = nullptr;
    QGroupBox *controlFrame = nullptr; // "Control:", holding the port list
    QComboBox *cmbComports = nullptr;
    QGroupBox *videoChannelFrame = nullptr; // "Video Channel:", holding the selectors
    std::array<ChannelSelector *, 12> channelSelectors{};
    std::array<QLabel *, 12> channelNumberLabels{}; // QM-410A only
    QLineEdit *txtMove = nullptr;
    QLabel *iconPicture = nullptr;
    std::array<QLabel *, 3> lblText{}; // QM-520A line labels

    // The frame that holds the position and size editor; its contents belong to the editor.
    QFrame *framePosition = nullptr;
};

} // namespace qm
