#include "link/WinPortDevices.h"

#include "link/WinSerialRules.h"

#include <windows.h>

#include <setupapi.h>

namespace qm {

namespace {

// The Ports device class (COM and LPT ports), {4D36E978-E325-11CE-BFC1-08002BE10318}.
constexpr GUID PortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

QString fromWide(const wchar_t *text, DWORD bytes)
{
    return QString::fromWCharArray(text, int(wcsnlen(text, bytes / sizeof(wchar_t))));
}

QString portNameOf(HDEVINFO devices, SP_DEVINFO_DATA &device)
{
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD bytes = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                       reinterpret_cast<BYTE *>(name), &bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read && type == REG_SZ ? fromWide(name, bytes) : QString();
}

QString propertyOf(HDEVINFO devices, SP_DEVINFO_DATA &device, DWORD property)
{
    wchar_t text[256] = {};
    DWORD bytes = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE *>(text),
                                           sizeof text - sizeof(wchar_t), &bytes))
        return {};
    return fromWide(text, bytes);
}

QString instanceIdOf(HDEVINFO devices, SP_DEVINFO_DATA &device)
{
    wchar_t id[512] = {};
    if (!SetupDiGetDeviceInstanceIdW(devices, &device, id, DWORD(std::size(id) - 1), nullptr))
        return {};
    return QString::fromWCharArray(id);
}

} // namespace

std::optional<WinPortDevice> findPortDevice(const QString &devicePath)
{
    const QString wanted = winserial::dosName(devicePath);
    const HDEVINFO devices = SetupDiGetClassDevsW(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<WinPortDevice> found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; !found && SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        if (portNameOf(devices, device).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        found = WinPortDevice{instanceIdOf(devices, device), propertyOf(devices, device, SPDRP_MFG),
                              propertyOf(devices, device, SPDRP_DEVICEDESC),
                              propertyOf(devices, device, SPDRP_LOCATION_INFORMATION)};
    }
    SetupDiDestroyDeviceInfoList(devices);
    return found;
}

} // namespace qm
