#include "process/UntrustedFile.h"

#include "process/SystemMessage.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <windows.h>

#include <algorithm>

namespace qm {

namespace {

UntrustedFile failed(DWORD error)
{
    return {{},
            QStringLiteral("cannot be read: ") + systemMessage(error),
            error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND};
}

// Windows opens these names as devices in any folder and with any extension ("COM1.json"), and
// "\\.\" names devices outright; opening a serial device alone would change its lines.
bool namesDevice(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (native.startsWith(QLatin1String("\\\\.\\")) || native.startsWith(QLatin1String("\\\\?\\")))
        return true;
    static const QStringList Reserved = {
        QStringLiteral("CON"), QStringLiteral("PRN"),    QStringLiteral("AUX"),
        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
    };
    const QString stem = QFileInfo(path).fileName().section(u'.', 0, 0).trimmed().toUpper();
    if (Reserved.contains(stem))
        return true;
    return stem.size() == 4 &&
           (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
           stem.at(3).isDigit();
}

QString kindProblem(const QString &path, DWORD attributes)
{
    if (namesDevice(path))
        return QStringLiteral("is a device, not a regular file");
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return QStringLiteral("is a folder, not a regular file");
    return {};
}

// Reads at most maxBytes + 1 bytes, so a file that grew after its size was checked is still
// seen to be too long without reading it whole.
UntrustedFile readBounded(HANDLE handle, qint64 maxBytes)
{
    UntrustedFile file;
    file.contents.resize(maxBytes + 1);
    qint64 total = 0;
    while (total <= maxBytes) {
        const auto wanted = DWORD(std::min<qint64>(maxBytes + 1 - total, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(handle, file.contents.data() + total, wanted, &got, nullptr))
            return failed(GetLastError());
        if (got == 0)
            break;
        total += got;
    }
    if (total > maxBytes)
        return {{}, sizeProblem(total, maxBytes)};
    file.contents.truncate(total);
    return file;
}

// The open handle is checked as well, for a name that was replaced after the first look.
UntrustedFile readOpened(HANDLE handle, qint64 maxBytes)
{
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_PIPE:
        return {{}, QStringLiteral("is a named pipe, not a regular file")};
    default:
        return {{}, QStringLiteral("is a device, not a regular file")};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size))
        return failed(GetLastError());
    if (size.QuadPart > maxBytes)
        return {{}, sizeProblem(size.QuadPart, maxBytes)};
    return readBounded(handle, maxBytes);
}

} // namespace

UntrustedFile readUntrustedFile(const QString &path, qint64 maxBytes)
{
    const auto name = reinterpret_cast<const wchar_t *>(path.utf16());
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES && !namesDevice(path))
        return failed(GetLastError());
    if (const QString problem = kindProblem(path, attributes); !problem.isEmpty())
        return {{}, problem};
    const HANDLE handle =
        CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failed(GetLastError());
    UntrustedFile file = readOpened(handle, maxBytes);
    CloseHandle(handle);
    return file;
}

QString notRegularFile(const QString &path)
{
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES && !namesDevice(path))
        return {};
    return kindProblem(path, attributes);
}

} // namespace qm
