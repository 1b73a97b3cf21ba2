#pragma once

#include <QMap>
#include <QSettings>
#include <QString>

namespace qm {

// The per-user store of text values the panels keep between runs, addressed by section and
// key within one application name. Tests use an in-memory double.
class PreferencesStore
{
public:
    virtual ~PreferencesStore() = default;
    virtual QString read(const QString &section, const QString &key,
                         const QString &defaultValue) const = 0;
    virtual void write(const QString &section, const QString &key, const QString &value) = 0;
    virtual QStringList keys(const QString &section) const = 0;
};

// QSettings in INI format, user scope, organization "qm-control-panel": on Linux the file
// $XDG_CONFIG_HOME/qm-control-panel/<application>.ini, on Windows the native store.
class SettingsFileStore : public PreferencesStore
{
public:
    explicit SettingsFileStore(const QString &applicationName);

    QString read(const QString &section, const QString &key,
                 const QString &defaultValue) const override;
    void write(const QString &section, const QString &key, const QString &value) override;
    QStringList keys(const QString &section) const override;
    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};

} // namespace qm
