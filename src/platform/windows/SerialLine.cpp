// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialLine.h"

#include "WinSerialControl.h"

#include <QHash>

#include <windows.h>
// The ports device class's GUID is defined here, in this unit.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

namespace {

// What Plug and Play knows of the present ports, by COM name: the adapter's friendly name
// ("USB Serial Port (COM7)") and its maker. Empty where it knows nothing, as under Wine.
QHash<QString, std::pair<QString, QString>> portDescriptions()
{
    QHash<QString, std::pair<QString, QString>> descriptions;
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return descriptions;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t portName[64] = {};
        DWORD size = sizeof(portName) - sizeof(wchar_t);
        DWORD type = 0;
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size) == ERROR_SUCCESS &&
                           type == REG_SZ;
        RegCloseKey(key);
        if (!named)
            continue;
        const auto property = [&](DWORD which) {
            wchar_t text[256] = {};
            return SetupDiGetDeviceRegistryPropertyW(devices, &device, which, nullptr, reinterpret_cast<BYTE*>(text),
                                                     sizeof(text) - sizeof(wchar_t), nullptr)
                       ? QString::fromWCharArray(text)
                       : QString();
        };
        descriptions.insert(QString::fromWCharArray(portName).toUpper(), {property(SPDRP_FRIENDLYNAME), property(SPDRP_MFG)});
    }
    SetupDiDestroyDeviceInfoList(devices);
    return descriptions;
}

} // namespace

std::unique_ptr<CommControl> makeSerialControl(const PortTable& table, QObject* parent)
{
    return std::make_unique<WinSerialControl>(table, parent);
}

QList<SystemSerialDevice> systemSerialDevices()
{
    // Every COM name the system knows, with the adapter's friendly name where Plug and
    // Play has one, else the device behind the name.
    const QHash<QString, std::pair<QString, QString>> described = portDescriptions();
    QList<SystemSerialDevice> devices;
    wchar_t target[1024];
    for (int number = 1; number <= 100; ++number) {
        const QString name = QStringLiteral("COM%1").arg(number);
        if (QueryDosDeviceW(reinterpret_cast<const wchar_t*>(name.utf16()), target, DWORD(std::size(target))) == 0)
            continue;
        const auto [friendly, maker] = described.value(name);
        devices.append({QStringLiteral("\\\\.\\") + name, friendly.isEmpty() ? QString::fromWCharArray(target) : friendly, maker, {}, {}, {}});
    }
    return devices;
}

bool comNamesAreNative() { return true; }
