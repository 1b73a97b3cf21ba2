#include "SettingTable.h"

#include "Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <iterator>

namespace qm {

SettingTable::SettingTable(const std::vector<SettingRow> &rows, const MainWindowControls &controls)
    : m_controls(controls)
{
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(m_rows),
                 [this](const SettingRow &row) { return hasControl(row); });
}

void SettingTable::show(const SettingRow &row, ChannelSettings &record) const
{
    switch (row.kind) {
    case SettingKind::CheckBit:
        checkBox(row)->setChecked((record[row.field] >> row.arg) & 1);
        break;
    case SettingKind::OptionPair:
        showOptions(row, record);
        break;
    case SettingKind::List:
        showList(row, record);
        break;
    case SettingKind::ListIfPresent:
        if (record[row.field] < list(row)->count())
            list(row)->setCurrentIndex(record[row.field]);
        break;
    case SettingKind::TextLine:
        textLine(row.arg)->setText(
            trimSpaces(record.texts[static_cast<std::size_t>(row.arg)]).toString());
        break;
    case SettingKind::Position:
        break;
    }
}

void SettingTable::store(const SettingRow &row, ChannelSettings &record) const
{
    switch (row.kind) {
    case SettingKind::CheckBit:
        record[row.field] = checkBoxBits(row.field);
        break;
    case SettingKind::OptionPair:
        record[row.field] = options(row).first->isChecked() == (row.arg == 1) ? 1 : 0;
        break;
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        // A list without a selection has nothing to store.
        if (const int index = list(row)->currentIndex(); index >= 0)
            record[row.field] = static_cast<quint8>(index);
        break;
    case SettingKind::TextLine:
        record.texts[static_cast<std::size_t>(row.arg)] = textLine(row.arg)->text();
        break;
    case SettingKind::Position:
        break;
    }
}

void SettingTable::onChange(const SettingRow &row, QObject *context,
                            const std::function<void()> &handler) const
{
    switch (row.kind) {
    case SettingKind::CheckBit:
        QObject::connect(checkBox(row), &QCheckBox::toggled, context, [handler] { handler(); });
        break;
    case SettingKind::OptionPair:
        // Switching a pair turns one option off and the other on; only the one that came on
        // reports, so that a click stores and sends once.
        for (QRadioButton *option : {options(row).first, options(row).second}) {
            QObject::connect(option, &QRadioButton::toggled, context, [handler](bool on) {
                if (on)
                    handler();
            });
        }
        break;
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        QObject::connect(list(row), &QComboBox::currentIndexChanged, context,
                         [handler] { handler(); });
        break;
    case SettingKind::TextLine:
        QObject::connect(textLine(row.arg), &QLineEdit::textChanged, context,
                         [handler] { handler(); });
        break;
    case SettingKind::Position:
        break;
    }
}

QLineEdit *SettingTable::textLine(int line) const
{
    return line >= 0 && line < TextLineCount ? m_controls.txtText[static_cast<std::size_t>(line)]
                                             : nullptr;
}

bool SettingTable::hasControl(const SettingRow &row) const
{
    switch (row.kind) {
    case SettingKind::CheckBit:
        return checkBox(row) != nullptr;
    case SettingKind::OptionPair:
        return options(row).first && options(row).second;
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        return list(row) != nullptr;
    case SettingKind::TextLine:
        return textLine(row.arg) != nullptr;
    case SettingKind::Position:
        return m_controls.framePosition != nullptr;
    }
    return false;
}

QCheckBox *SettingTable::checkBox(const SettingRow &row) const
{
    switch (row.field) {
    case Field::TextEnables:
        return row.arg < m_controls.chkEnable.size() ? m_controls.chkEnable[row.arg] : nullptr;
    case Field::AutoStop:
        return m_controls.chkAutoStop;
    case Field::LeapSeconds:
        return m_controls.chkLeapSeconds;
    case Field::Blank:
        return m_controls.chkBlank;
    default:
        return nullptr;
    }
}

QComboBox *SettingTable::list(const SettingRow &row) const
{
    switch (row.field) {
    case Field::WindowMode:
        return m_controls.cmbWindowMode;
    case Field::DisplayMode:
        return m_controls.cmbDisplayMode;
    case Field::DateMode:
        return m_controls.cmbDateMode;
    case Field::TimeZone:
        return m_controls.cmbTimeZone;
    case Field::TimeFont:
        return m_controls.cmbTimeFont;
    default:
        return nullptr;
    }
}

std::pair<QRadioButton *, QRadioButton *> SettingTable::options(const SettingRow &row) const
{
    switch (row.field) {
    case Field::TimeCodeInput:
        return {m_controls.optQOR, m_controls.optSMPTE};
    case Field::HourMode:
        return {m_controls.opt12hr, m_controls.opt24hr};
    default:
        return {nullptr, nullptr};
    }
}

void SettingTable::showList(const SettingRow &row, ChannelSettings &record) const
{
    QComboBox *const box = list(row);
    quint8 shown = record[row.field] & row.arg;
    if (shown >= box->count()) {
        record[row.field] = 0;
        shown = 0;
    }
    box->setCurrentIndex(shown);
}

// In an exclusive pair the call that turns an option on moves the choice and the other call
// changes nothing, so the first option can be set before the second either way.
void SettingTable::showOptions(const SettingRow &row, const ChannelSettings &record) const
{
    const auto [first, second] = options(row);
    const bool firstOn = (record[row.field] == 1) == (row.arg == 1);
    first->setChecked(firstOn);
    second->setChecked(!firstOn);
}

quint8 SettingTable::checkBoxBits(Field field) const
{
    int bits = 0;
    for (const SettingRow &row : m_rows) {
        if (row.kind == SettingKind::CheckBit && row.field == field && checkBox(row)->isChecked())
            bits |= 1 << row.arg;
    }
    return static_cast<quint8>(bits);
}

} // namespace qm
