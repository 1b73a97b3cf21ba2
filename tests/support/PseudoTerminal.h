#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qm::test {

// The far end of a serial line for tests: the master side of a pseudo-terminal. A port opened
// on slavePath() receives what is sent here, and what it writes can be taken here. Hanging up
// makes the slave behave like an unplugged adapter: its device node goes and reads fail.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    void send(QByteArrayView bytes);
    // Whatever the slave side has written so far; never waits.
    QByteArray takeAvailable();
    void hangUp();

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace qm::test
