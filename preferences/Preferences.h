#pragma once

#include "preferences/PreferencesStore.h"

#include <QList>
#include <QMap>
#include <QPoint>
#include <QStringList>

#include <functional>

namespace qm {

// What the "Ports" section maps, as far as it could be read.
struct PortOverrides
{
    // Port number to the device path given for it.
    QMap<int, QString> devices;
    // Ports the section names but whose device could not be read: they get no device at all,
    // never their usual one, which may belong to another program.
    QList<int> withheld;
    // One line per entry that was rejected or could not be read.
    QStringList problems;
};

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

    using WriteFailureHandler = std::function<void(const QString &why)>;

    explicit Preferences(PreferencesStore &store);

    // Told the first time a value cannot be kept, and only then: one failing store fails
    // every write after it for the same reason.
    void setWriteFailureHandler(WriteFailureHandler handler);

    // The window's top-left corner in twips (x = FormLeft, y = FormTop).
    QPoint formPosition() const;
    void storeFormPosition(QPoint topLeftTwips);
    double channelSelection() const;
    void storeChannelSelection(quint32 mask);
    double settingSelection() const;
    void storeSettingSelection(quint32 mask);
    qint16 comport() const;
    void storeComport(qint16 port);
    qint16 updateImmediately() const;
    void storeUpdateImmediately(qint16 value);
    // Device paths given for "COM1".."COM16" in the "Ports" section, by port number.
    PortOverrides portOverrides() const;
    // Gives the port this device (a path or a device server's address) as its "Ports" entry
    // does, under the key that already names the port when there is one.
    void storePortDevice(int port, const QString &devicePath);

private:
    qint16 readInt16(const char *key, qint16 defaultValue) const;
    double readMask(const char *key, double defaultValue) const;
    void write(const char *key, const QString &text);
    void write(const QString &section, const QString &key, const QString &text);

    PreferencesStore &m_store;
    WriteFailureHandler m_writeFailureHandler;
    bool m_writeFailureTold = false;
};

} // namespace qm
