#pragma once

#include <QMap>
#include <QSettings>
#include <QString>

#include <optional>

namespace qm {

// The per-user store of text values the panels keep between runs, addressed by section and
// key within one application name. Tests use an in-memory double.
class PreferencesStore
{
public:
    virtual ~PreferencesStore() = default;
    virtual QString read(const QString &section, const QString &key,
                         const QString &defaultValue) const = 0;
    // Why the value could not be kept; empty when it was.
    [[nodiscard]] virtual QString write(const QString &section, const QString &key,
                                        const QString &value) = 0;
    virtual QStringList keys(const QString &section) const = 0;
    // Every key a line of the stored text names in the section, also those whose values could
    // not be read; none when the stored text itself cannot be read.
    virtual std::optional<QStringList> namedKeys(const QString &section) const = 0;
};

// QSettings, user scope, organization "qm-control-panel": on Linux the INI file
// $XDG_CONFIG_HOME/qm-control-panel/<application>.ini, on Windows the registry key
// HKEY_CURRENT_USER\Software\qm-control-panel\<application>.
// A file it cannot read as written (QSettings reports an error, or a quote left open runs
// on into the lines after it, or a key stands on two lines of a section) is never written back,
// so that nothing it holds is lost; one that is not a regular file of at most 1 MiB is not read
// at all: every value is its default. Writing keeps the file's comments and its order.
class IniPreferencesStore : public PreferencesStore
{
public:
    explicit IniPreferencesStore(const QString &applicationName);

    QString read(const QString &section, const QString &key,
                 const QString &defaultValue) const override;
    QString write(const QString &section, const QString &key, const QString &value) override;
    QStringList keys(const QString &section) const override;
    std::optional<QStringList> namedKeys(const QString &section) const override;
    QString fileName() const { return m_fileName; }
    // Why the file cannot be read as written; empty when it can.
    QString readProblem() const { return m_readProblem; }

private:
    QString findReadProblem(const QList<QByteArray> &lines) const;
    QByteArray operatorsText() const;
    bool keepLayout(const QByteArray &before) const;

    QString m_fileName;
    mutable std::optional<QSettings> m_settings; // none when the file is not read at all
    QString m_readProblem;
};

} // namespace qm
