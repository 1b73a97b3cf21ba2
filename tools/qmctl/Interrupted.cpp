#include "tools/qmctl/Interrupted.h"

#include "process/Console.h"
#include "protocol/ChannelList.h"
#include "tools/qmctl/Output.h"

#include <memory>

namespace qm {

namespace {

// How far a write had gone, from the session's progress.
struct WriteProgress
{
    SetupSession::Step step = SetupSession::Step::Reading;
    qsizetype done = 0;
};

// Which channels hold the file's settings now, for a write that a signal ended halfway. The
// channel in hand has had its frames handed to the port once its read-back is asked for.
QString interruptedWrite(const SetupSession &session, const QList<int> &channels,
                         const WriteProgress &progress)
{
    QStringList said;
    const auto add = [&said](const QList<int> &some, const char *one, const char *many) {
        if (!some.isEmpty())
            said << channelsPhrase(some) + u' ' + agreeing(some, one, many);
    };
    add(session.answered(), "was written and read back", "were written and read back");
    add(session.silentChannels(), "was written but did not answer the read-back",
        "were written but did not answer the read-back");
    add(session.skipped(), "did not answer and was left as it is",
        "did not answer and were left as they are");
    QList<int> rest = channels.mid(progress.done);
    if (!rest.isEmpty() && progress.step != SetupSession::Step::Reading)
        said << QStringLiteral("channel %1 was being written and may hold part of its settings")
                    .arg(rest.takeFirst() + 1);
    add(rest, "was not written", "were not written");
    return said.join(QStringLiteral("; "));
}

} // namespace

void sayWhatWasDoneOnSignal(const Interruption &interruption, const SetupSession &session,
                            const CommandLine &line, const QList<int> &channels)
{
    auto progress = std::make_shared<WriteProgress>();
    QObject::connect(&session, &SetupSession::progressed, &interruption,
                     [progress](SetupSession::Step step, int done, int) {
                         *progress = {step, done};
                     });
    QObject::connect(&interruption, &Interruption::requested, &interruption, [&, progress] {
        if (standardErrorIsTerminal())
            clearProgress();
        const QString done = line.command == u"write"
                                 ? QStringLiteral(" during the write: ") +
                                       interruptedWrite(session, channels, *progress)
                                 : QStringLiteral("; the unit was not changed");
        printError(QStringLiteral("ended by ") + interruption.signalName() + done);
        interruption.endAsAsked();
    });
}

} // namespace qm
