#pragma once

#include <QString>

namespace qm::sim {

// A symbolic link with a fixed name to the emulator's device, so scripts and panels can find
// it without reading its output. Removed again when this object goes.
class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Points path at target, replacing an old link there but never another kind of file.
    bool create(const QString &path, const QString &target);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};

} // namespace qm::sim
