#include "protocol/SettingsExport.h"

#include "protocol/Windows1252.h"

#include <QStringList>

namespace qm {

QString exportLine(const UnitModel &model, const ChannelSettings &record)
{
    QStringList fields;
    for (Field field : model.exportFields)
        fields << QString::number(record[field]);
    for (const QString &text : record.texts)
        fields << text;
    return fields.join(u'|');
}

QByteArray exportContents(const UnitModel &model, const ChannelTable &table)
{
    QByteArray contents;
    for (int index = 0; index < ChannelTable::size(); ++index) {
        contents += windows1252::encode(exportLine(model, table[index]));
        contents += "\r\n";
    }
    return contents;
}

WriteResult exportSettings(const UnitModel &model, const ChannelTable &table, const QString &path,
                           FileOutput &output)
{
    return output.replaceWhole(path, exportContents(model, table));
}

} // namespace qm
