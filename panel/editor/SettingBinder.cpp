#include "panel/editor/SettingBinder.h"

#include "protocol/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <array>

namespace qm {

namespace {

constexpr std::array PositionFields{Field::HorizPos, Field::VertPos, Field::HorizSize,
                                    Field::VertSize};

QCheckBox *checkBox(const BoundSetting &setting)
{
    return qobject_cast<QCheckBox *>(setting.control);
}

QComboBox *list(const BoundSetting &setting)
{
    return qobject_cast<QComboBox *>(setting.control);
}

QLineEdit *lineField(const BoundSetting &setting)
{
    return qobject_cast<QLineEdit *>(setting.control);
}

QRadioButton *firstOption(const BoundSetting &setting)
{
    return qobject_cast<QRadioButton *>(setting.control);
}

QRadioButton *secondOption(const BoundSetting &setting)
{
    return qobject_cast<QRadioButton *>(setting.partner);
}

std::size_t textIndex(const BoundSetting &setting)
{
    return static_cast<std::size_t>(setting.binding.line);
}

} // namespace

SettingBinder::SettingBinder(const std::vector<WindowRow> &rows, const QWidget *window)
{
    for (const WindowRow &row : rows) {
        if (!row.binding || !window)
            continue;
        BoundSetting setting{*row.binding, window->findChild<QWidget *>(row.name), nullptr};
        if (!row.binding->partner.isEmpty())
            setting.partner = window->findChild<QWidget *>(row.binding->partner);
        if (holdsItsKind(setting))
            m_settings.push_back(setting);
    }
    std::stable_sort(m_settings.begin(), m_settings.end(),
                     [](const BoundSetting &a, const BoundSetting &b) {
                         return a.binding.step < b.binding.step;
                     });
}

void SettingBinder::show(const BoundSetting &setting, ChannelSettings &record) const
{
    const SettingBinding &b = setting.binding;
    switch (b.kind) {
    case SettingKind::CheckBit:
        checkBox(setting)->setChecked((record[b.field] >> b.bit) & 1);
        break;
    case SettingKind::OptionPair:
        showOptions(setting, record);
        break;
    case SettingKind::List:
        showList(setting, record);
        break;
    case SettingKind::ListIfPresent:
        if (record[b.field] < list(setting)->count())
            list(setting)->setCurrentIndex(record[b.field]);
        break;
    case SettingKind::TextLine:
        lineField(setting)->setText(trimSpaces(record.texts[textIndex(setting)]).toString());
        break;
    case SettingKind::Position:
        break;
    }
}

void SettingBinder::store(const BoundSetting &setting, ChannelSettings &record) const
{
    const SettingBinding &b = setting.binding;
    switch (b.kind) {
    case SettingKind::CheckBit:
        record[b.field] = checkBoxBits(b.field);
        break;
    case SettingKind::OptionPair:
        record[b.field] =
            firstOption(setting)->isChecked() == (b.first == FirstOption::StandsForOne) ? 1 : 0;
        break;
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        // A list without a selection has nothing to store.
        if (const int index = list(setting)->currentIndex(); index >= 0)
            record[b.field] = static_cast<quint8>(index);
        break;
    case SettingKind::TextLine:
        record.texts[textIndex(setting)] = lineField(setting)->text();
        break;
    case SettingKind::Position:
        break;
    }
}

void SettingBinder::onChange(const BoundSetting &setting, QObject *context,
                             const std::function<void()> &handler) const
{
    switch (setting.binding.kind) {
    case SettingKind::CheckBit:
        QObject::connect(checkBox(setting), &QCheckBox::toggled, context, [handler] { handler(); });
        break;
    case SettingKind::OptionPair:
        // Switching a pair turns one option off and the other on; only the one that came on
        // reports, so that a click stores and sends once.
        for (QRadioButton *option : {firstOption(setting), secondOption(setting)}) {
            QObject::connect(option, &QRadioButton::toggled, context, [handler](bool on) {
                if (on)
                    handler();
            });
        }
        break;
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        QObject::connect(list(setting), &QComboBox::currentIndexChanged, context,
                         [handler] { handler(); });
        break;
    case SettingKind::TextLine:
        QObject::connect(lineField(setting), &QLineEdit::textChanged, context,
                         [handler] { handler(); });
        break;
    case SettingKind::Position:
        break;
    }
}

QLineEdit *SettingBinder::textLine(int line) const
{
    for (const BoundSetting &setting : m_settings) {
        if (setting.binding.kind == SettingKind::TextLine && setting.binding.line == line)
            return lineField(setting);
    }
    return nullptr;
}

bool SettingBinder::holdsItsKind(const BoundSetting &setting)
{
    switch (setting.binding.kind) {
    case SettingKind::CheckBit:
        return checkBox(setting) != nullptr;
    case SettingKind::OptionPair:
        return firstOption(setting) && secondOption(setting);
    case SettingKind::List:
    case SettingKind::ListIfPresent:
        return list(setting) != nullptr;
    case SettingKind::TextLine:
        return lineField(setting) != nullptr && setting.binding.line >= 0 &&
               setting.binding.line < TextLineCount;
    case SettingKind::Position:
        return setting.control != nullptr;
    }
    return false;
}

void SettingBinder::showList(const BoundSetting &setting, ChannelSettings &record)
{
    QComboBox *const box = list(setting);
    const Field field = setting.binding.field;
    quint8 shown = record[field] & setting.binding.mask;
    if (shown >= box->count()) {
        record[field] = 0;
        shown = 0;
    }
    box->setCurrentIndex(shown);
}

// In an exclusive pair the call that turns an option on moves the choice and the other call
// changes nothing, so the first option can be set before the second either way.
void SettingBinder::showOptions(const BoundSetting &setting, const ChannelSettings &record)
{
    const bool firstOn = (record[setting.binding.field] == 1) ==
                         (setting.binding.first == FirstOption::StandsForOne);
    firstOption(setting)->setChecked(firstOn);
    secondOption(setting)->setChecked(!firstOn);
}

QStringList SettingBinder::differences(const ChannelSettings &a, const ChannelSettings &b) const
{
    QStringList names;
    for (const BoundSetting &setting : m_settings) {
        if (differ(setting.binding, a, b) && !names.contains(nameOf(setting)))
            names << nameOf(setting);
    }
    return names;
}

bool SettingBinder::differ(const SettingBinding &binding, const ChannelSettings &a,
                           const ChannelSettings &b)
{
    const Field field = binding.field;
    switch (binding.kind) {
    case SettingKind::CheckBit:
        return ((a[field] ^ b[field]) >> binding.bit & 1) != 0;
    case SettingKind::List:
        return (a[field] & binding.mask) != (b[field] & binding.mask);
    case SettingKind::OptionPair:
    case SettingKind::ListIfPresent:
        return a[field] != b[field];
    case SettingKind::TextLine:
        return a.texts[binding.line] != b.texts[binding.line];
    case SettingKind::Position:
        return std::any_of(PositionFields.begin(), PositionFields.end(),
                           [&](Field place) { return a[place] != b[place]; });
    }
    return false;
}

// A pair of options is named by the group it stands in; a control without a spoken name by
// its caption.
QString SettingBinder::nameOf(const BoundSetting &setting)
{
    if (setting.binding.kind == SettingKind::Position)
        return QStringLiteral("Position and size");
    const QWidget *named = setting.binding.kind == SettingKind::OptionPair
                               ? setting.control->parentWidget()
                               : setting.control;
    if (!named->accessibleName().isEmpty())
        return named->accessibleName();
    if (const auto *button = qobject_cast<const QAbstractButton *>(setting.control))
        return button->text().remove(u'&');
    return setting.control->objectName();
}

quint8 SettingBinder::checkBoxBits(Field field) const
{
    int bits = 0;
    for (const BoundSetting &setting : m_settings) {
        if (setting.binding.kind == SettingKind::CheckBit && setting.binding.field == field &&
            checkBox(setting)->isChecked())
            bits |= 1 << setting.binding.bit;
    }
    return static_cast<quint8>(bits);
}

} // namespace qm
