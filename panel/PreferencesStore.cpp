#include "PreferencesStore.h"

#include "PreferenceKeys.h"

namespace qm {

namespace {

QSettings::Format storeFormat()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    return QSettings::IniFormat;
#endif
}

QString fullKey(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

SettingsFileStore::SettingsFileStore(const QString &applicationName)
    : m_settings(storeFormat(), QSettings::UserScope, QString::fromLatin1(prefkeys::Organization),
                 applicationName)
{}

QString SettingsFileStore::read(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    return m_settings.value(fullKey(section, key), defaultValue).toString();
}

// Written at once, so a crash later in the run cannot lose the value.
void SettingsFileStore::write(const QString &section, const QString &key, const QString &value)
{
    m_settings.setValue(fullKey(section, key), value);
    m_settings.sync();
}

QStringList SettingsFileStore::keys(const QString &section) const
{
    m_settings.beginGroup(section);
    const QStringList result = m_settings.childKeys();
    m_settings.endGroup();
    return result;
}

} // namespace qm
