#include "tools/qmctl/CommandHelp.h"

#include <QStringList>

#include <array>
#include <utility>

namespace qm {

namespace {

const std::array<std::pair<const char *, const char *>, 4> Commands = {{
    {"read", R"(  qmctl read  --model 410a|520a --port PORT [-o FILE] [--summary-json SUMMARY]
      Reads the channels that answer and writes the setup file (standard output without -o);
      --summary-json also writes what answered and what did not to SUMMARY, as JSON.
)"},
    {"write", R"(  qmctl write --model 410a|520a --port PORT FILE [--channels LIST]
      Asks each channel of the file whether it answers; sends those that do their settings as
      the panel's Update button does, reads them back and names every field that did not take.
)"},
    {"diff", R"(  qmctl diff  --model 410a|520a --port PORT FILE [--json]
      Prints, per channel, each field that differs between the unit and the file; with --json
      one JSON document instead.
)"},
    {"find", R"(  qmctl find  [--model 410a|520a] [--json]
      Asks every port that opens for channel 1's settings at the model's line speed and at the
      other model's (without --model, at the QM-410A's first), and prints one line per port that
      answered, naming the model; with --json one JSON document instead.
)"},
}};

const char *const Terms =
    R"(PORT is COM1..COM16 (or just 1..16), resolved through the same device map and [Ports]
preferences as the panels, a device path (/dev/ttyUSB0, not ttyUSB0), or a serial device
server's address: rfc2217://HOST:PORT (qmctl sets the server's line to the model's speed, 8N1)
or tcp://HOST:PORT (a raw connection: the server's own configuration must set the line). LIST
is like 1,3-5 and names channels the file holds. FILE is a setup file written by qmctl read or
by a panel's "Save Setup...", or for the QM-520A the settings.txt the panel writes at close. A
file is checked whole before anything is sent: a value no unit could have reported, or one no
frame can restore, is refused.
)";

const char *const Example = R"(
Back up a unit and restore it to another:
  qmctl read  --model 520a --port COM1 -o site-a.json
  qmctl write --model 520a --port COM1 site-a.json
)";

const char *const Outcomes =
    R"(
Exit codes: 0 complete (find: a unit of the model, or without --model any unit, answered);
1 differences found; 2 bad usage, a bad file or an output that cannot be written (nothing
sent); 3 the port could not be opened, the line failed, no channel answered or a setting did
not take (find: no such unit answered); 4 partial: some channels did not answer (read wrote
those that did, write left them alone) or the backup holds a value no frame can restore.

diff --json prints {"model", "port", "device", "file", "differences": [{"channel", "field",
"file", "unit"}], "notAnswered": [channels], "notInFile": [channels]}; values are numbers, or
texts as they are for Text1 to Text3. The read summary is {"model", "port", "device",
"answered", "silent", "lineFailed", "unreached", "unrestorable": [{"channel", "setting",
"value", "reason"}]}; channels are numbered 1 to 12. find --json prints {"speeds", "ports":
[{"port", "device", "result", "model", "reason"}]}: result is "answered" (model names it),
"silent", "bytes" (bytes came, but no unit's reply) or "refused" (reason says why).)";

} // namespace

QString programDescription()
{
    QString text = QStringLiteral("Backs up, restores and compares the setup of a QM-410A or "
                                  "QM-520A unit, and finds it.\n\n");
    for (const auto &command : Commands)
        text += QString::fromUtf8(command.second);
    return text + u'\n' + QString::fromUtf8(Terms) + QString::fromUtf8(Example) +
           QString::fromUtf8(Outcomes);
}

QString commandHelp(const QString &command)
{
    for (const auto &[name, usage] : Commands) {
        if (command == QLatin1String(name))
            return QStringLiteral("Usage:\n") + QString::fromUtf8(usage) + u'\n' +
                   QString::fromUtf8(Terms) + QString::fromUtf8(Outcomes) + u'\n';
    }
    return {};
}

} // namespace qm
