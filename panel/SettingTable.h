#pragma once

#include "ChannelSettings.h"
#include "MainWindowControls.h"
#include "SettingRow.h"

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace qm {

// A window's setting controls, reached through its model's rows: puts a record's fields into
// them, reads them back into the record, and reports each change of one. Rows whose control
// the window lacks are left out.
class SettingTable
{
public:
    SettingTable(const std::vector<SettingRow> &rows, const MainWindowControls &controls);

    const std::vector<SettingRow> &rows() const { return m_rows; }

    // Shows the record's field in the row's control, first repairing a list value that the
    // control cannot show. Position rows are the position editor's and are not handled here.
    void show(const SettingRow &row, ChannelSettings &record) const;
    // Writes the control's value into the row's field of the record.
    void store(const SettingRow &row, ChannelSettings &record) const;
    // Calls handler after every change of the row's control, the program's own changes
    // included. An option pair reports once per change, for the option that came on.
    void onChange(const SettingRow &row, QObject *context,
                  const std::function<void()> &handler) const;

    QLineEdit *textLine(int line) const;

private:
    bool hasControl(const SettingRow &row) const;
    QCheckBox *checkBox(const SettingRow &row) const;
    QComboBox *list(const SettingRow &row) const;
    std::pair<QRadioButton *, QRadioButton *> options(const SettingRow &row) const;

    void showList(const SettingRow &row, ChannelSettings &record) const;
    void showOptions(const SettingRow &row, const ChannelSettings &record) const;
    quint8 checkBoxBits(Field field) const;

    MainWindowControls m_controls;
    std::vector<SettingRow> m_rows;
};

} // namespace qm
