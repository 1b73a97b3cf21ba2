#include "tools/qmctl/Output.h"

#include "protocol/FileOutput.h"

#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qm {

void printError(const QString &text)
{
    std::fprintf(stderr, "qmctl: %s\n", qPrintable(text));
}

namespace {

void toStandardError(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void sendQtMessagesToStandardError()
{
    qInstallMessageHandler(toStandardError);
}

void clearProgress()
{
    std::fprintf(stderr, "\r%40s\r", "");
}

// Every write and the close are checked: a full disk or a closed pipe must not pass for a
// backup.
bool writeStandardOutput(const QByteArray &contents, const QString &what)
{
    errno = 0;
    const std::size_t size = static_cast<std::size_t>(contents.size());
    bool written = std::fwrite(contents.constData(), 1, size, stdout) == size;
    written = std::fflush(stdout) == 0 && written;
    written = std::fclose(stdout) == 0 && written;
    if (!written)
        printError(QStringLiteral("%1 could not be written to standard output: %2")
                       .arg(what, QString::fromLocal8Bit(std::strerror(errno))));
    return written;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    SaveFileOutput output;
    const WriteResult written = output.replaceWhole(path, contents);
    if (!written.ok)
        printError(QStringLiteral("%1: %2").arg(path, written.error));
    return written.ok;
}

} // namespace qm
