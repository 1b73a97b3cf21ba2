#include "link/SessionOutcome.h"

#include "protocol/ChannelList.h"
#include "protocol/SetupFile.h"

namespace qm {

QString lineFailure(const SetupSession &session, const QString &why)
{
    if (!session.lineFailed())
        return {};
    QString text = QStringLiteral("the line failed");
    if (!why.isEmpty())
        text += QStringLiteral(" (%1)").arg(why);
    if (!session.answered().isEmpty())
        text += QStringLiteral("; %1 had answered").arg(channelsPhrase(session.answered()));
    const QList<int> &unreached = session.unreached();
    return text + QStringLiteral("; %1 %2 not finished")
                      .arg(channelsPhrase(unreached), agreeing(unreached, "was", "were"));
}

QString silenceAfterSending(const SetupSession &session)
{
    if (session.silentChannels().isEmpty())
        return {};
    return QStringLiteral("no answer from %1 after the settings were sent")
        .arg(channelsPhrase(session.silentChannels()));
}

QStringList notTaken(const SetupSession &session)
{
    QStringList fields;
    for (const FieldDifference &difference : session.notTaken())
        fields << describeDifference(difference) + QStringLiteral(": did not take");
    return fields;
}

} // namespace qm
