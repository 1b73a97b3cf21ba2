#pragma once

#include "preferences/PreferencesStore.h"

#include <QMap>

namespace qm::test {

// A preferences store that lives in memory; "section/key" -> text, and how often each key
// was written. A failure reason makes every write fail and keep nothing.
class MemoryPreferencesStore : public PreferencesStore
{
public:
    QMap<QString, QString> values;
    QMap<QString, int> writes;
    QString failure;

    QString read(const QString &section, const QString &key,
                 const QString &defaultValue) const override
    {
        return values.value(section + u'/' + key, defaultValue);
    }
    QString write(const QString &section, const QString &key, const QString &value) override
    {
        if (!failure.isEmpty())
            return failure;
        values.insert(section + u'/' + key, value);
        ++writes[key];
        return {};
    }
    QStringList keys(const QString &section) const override
    {
        QStringList result;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key().startsWith(section + u'/'))
                result << it.key().mid(section.size() + 1);
        }
        return result;
    }
    std::optional<QStringList> namedKeys(const QString &section) const override
    {
        return keys(section);
    }
};

} // namespace qm::test
