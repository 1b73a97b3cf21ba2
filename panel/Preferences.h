#pragma once

#include "PreferencesStore.h"

#include <QMap>
#include <QPoint>

namespace qm {

// The six values a panel keeps, typed and with their defaults. A stored text that holds no
// number, or one outside its 16-bit range, reads as the key's default; a mask keeps any number.
class Preferences
{
public:
    static constexpr qint16 DefaultFormPosition = 1000;
    static constexpr double DefaultChannelSelection = 4095;
    static constexpr double DefaultSettingSelection = 2046;
    static constexpr qint16 DefaultComport = 1;
    static constexpr qint16 DefaultUpdateImmediately = 1;

    explicit Preferences(PreferencesStore &store);

    // The window's top-left corner in twips (x = FormLeft, y = FormTop).
    QPoint formPosition() const;
    void storeFormPosition(QPoint topLeftTwips);
    double channelSelection() const;
    void storeChannelSelection(double mask);
    double settingSelection() const;
    void storeSettingSelection(double mask);
    qint16 comport() const;
    void storeComport(qint16 port);
    qint16 updateImmediately() const;
    void storeUpdateImmediately(qint16 value);
    // Device paths given for "COM1".."COM16" in the "Ports" section, by port number.
    QMap<int, QString> portOverrides() const;

private:
    qint16 readInt16(const char *key, qint16 defaultValue) const;
    double readMask(const char *key, double defaultValue) const;
    void write(const char *key, const QString &text);

    PreferencesStore &m_store;
};

} // namespace qm
