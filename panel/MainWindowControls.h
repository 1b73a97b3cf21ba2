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
    QGroupBox *frame1 = nullptr;
    QComboBox *cmbComports = nullptr;
    QGroupBox *frame2 = nullptr;
    std::array<ChannelSelector *, 12> cmdButton{};
    std::array<QLabel *, 12> label1{}; // QM-410A channel number labels
    QLineEdit *txtMove = nullptr;
    QLabel *image1 = nullptr;
    std::array<QLabel *, 3> lblText{}; // QM-520A line labels

    // The frame that holds the position and size editor; its contents belong to the editor.
    QFrame *framePosition = nullptr;
};

} // namespace qm
