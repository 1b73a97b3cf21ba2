#pragma once

#include "link/PortReader.h"
#include "link/SerialPort.h"
#include "link/SetupSession.h"
#include "model/ChannelTable.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/SetupFile.h"
#include "tools/qmctl/CommandLine.h"
#include "tools/qmctl/JsonReports.h"

namespace qm {

// One read, write or diff on an open port: the channels, the unit, the line and what came back.
// Each prints what went wrong and gives the exit status.
class UnitRun
{
public:
    UnitRun(const CommandLine &line, SerialPort &port);

    const SetupSession &session() const { return m_session; }

    int read();
    int write(const Setup &setup, const QList<int> &channels);
    int diff(const Setup &setup);

private:
    int readOutcome();
    QByteArray readSummary() const;
    QList<int> answeredInOrder() const;
    RunPlace place() const { return {*m_line.model, m_line.port, m_line.device}; }
    static void showProgress(SetupSession::Step step, int done, int count);
    QString portName() const;
    bool lineFailed() const;
    bool anyAnswered() const;
    bool writeSetup(const Setup &setup) const;

    const CommandLine &m_line;
    SerialPort &m_port;
    ChannelTable m_table;
    ReplyReceiver m_receiver;
    PortReader m_reader;
    SetupSession m_session;
};

} // namespace qm
