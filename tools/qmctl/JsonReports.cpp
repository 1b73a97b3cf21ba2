#include "tools/qmctl/JsonReports.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qm {

namespace {

QJsonArray channelArray(const QList<int> &indices)
{
    QJsonArray numbers;
    for (int index : indices)
        numbers.append(index + 1);
    return numbers;
}

QJsonObject placeObject(const RunPlace &place)
{
    return {{QStringLiteral("model"), place.model.name},
            {QStringLiteral("port"), place.port},
            {QStringLiteral("device"), place.device}};
}

} // namespace

QByteArray diffJson(const RunPlace &place, const QString &file, const DiffFindings &findings)
{
    QJsonArray differences;
    for (const FieldDifference &difference : findings.differences)
        differences.append(QJsonObject{{QStringLiteral("channel"), difference.channel + 1},
                                       {QStringLiteral("field"), difference.field},
                                       {QStringLiteral("file"), difference.fileValue},
                                       {QStringLiteral("unit"), difference.unitValue}});
    QJsonObject root = placeObject(place);
    root.insert(QStringLiteral("file"), file);
    root.insert(QStringLiteral("differences"), differences);
    root.insert(QStringLiteral("notAnswered"), channelArray(findings.notAnswered));
    root.insert(QStringLiteral("notInFile"), channelArray(findings.notInFile));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray readSummaryJson(const RunPlace &place, const ReadFindings &findings)
{
    QJsonArray unrestorable;
    for (const SettingProblem &problem : findings.unrestorable)
        unrestorable.append(QJsonObject{{QStringLiteral("channel"), problem.channel + 1},
                                        {QStringLiteral("setting"), problem.setting},
                                        {QStringLiteral("value"), problem.value},
                                        {QStringLiteral("reason"), problem.reason}});
    QJsonObject root = placeObject(place);
    root.insert(QStringLiteral("answered"), channelArray(findings.answered));
    root.insert(QStringLiteral("silent"), channelArray(findings.silent));
    root.insert(QStringLiteral("lineFailed"), findings.lineFailed);
    root.insert(QStringLiteral("unreached"), channelArray(findings.unreached));
    root.insert(QStringLiteral("unrestorable"), unrestorable);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace qm
