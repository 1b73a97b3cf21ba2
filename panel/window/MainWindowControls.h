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

class Announcer;
class ChannelSelector;

// Typed access to the controls of a main window that the code gives behaviour by name; the
// setting controls are reached through their rows' bindings instead. Every window has every
// control here (the window is not built otherwise), except the arrays marked as one model's,
// which are all nullptr in the other model's window.
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
    std::array<QLabel *, 12> channelNumberLabels{}; // the QM-410A's
    QLineEdit *txtMove = nullptr;
    Announcer *channelAnnouncer = nullptr; // tells readers the channel shown
    QLabel *iconPicture = nullptr;
    std::array<QLabel *, 3> lblText{}; // the QM-520A's line labels

    // The frame that holds the position and size editor; its contents belong to the editor.
    QFrame *framePosition = nullptr;
};

} // namespace qm
