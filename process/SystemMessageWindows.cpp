#include "process/SystemMessage.h"

#include <windows.h>

namespace qm {

QString systemMessage(unsigned long error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                                 : QStringLiteral("Windows error %1").arg(error);
    LocalFree(text);
    if (message.endsWith(u'.'))
        message.chop(1);
    return message;
}

} // namespace qm
