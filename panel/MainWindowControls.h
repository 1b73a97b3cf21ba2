#pragma once

#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace qm {

class ChannelSelector;

// Typed access to every control of a main window, for the code that gives them behaviour.
// A control the model's window lacks is nullptr.
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

    QComboBox *cmbWindowMode = nullptr;
    QComboBox *cmbDisplayMode = nullptr;
    QComboBox *cmbDateMode = nullptr;
    QComboBox *cmbTimeZone = nullptr;
    QComboBox *cmbTimeFont = nullptr;
    QCheckBox *chkBlank = nullptr;
    QCheckBox *chkAutoStop = nullptr;
    QCheckBox *chkLeapSeconds = nullptr;
    QRadioButton *optQOR = nullptr;
    QRadioButton *optSMPTE = nullptr;
    QRadioButton *opt12hr = nullptr;
    QRadioButton *opt24hr = nullptr;
    std::array<QLineEdit *, 3> txtText{};
    std::array<QCheckBox *, 3> chkEnable{};
    std::array<QLabel *, 3> lblText{}; // QM-520A line labels

    // The frame that holds the position and size editor; its contents belong to the editor.
    QFrame *framePosition = nullptr;
};

} // namespace qm
