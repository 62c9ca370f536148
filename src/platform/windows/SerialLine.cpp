// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SerialLine.h"

#include "WinSerialControl.h"

#include <windows.h>

std::unique_ptr<CommControl> makeSerialControl(const PortTable& table, QObject* parent)
{
    return std::make_unique<WinSerialControl>(table, parent);
}

QList<SystemSerialDevice> systemSerialDevices()
{
    // Every COM name the system knows, as it knows it: the device behind it is what the
    // tooltip shows (for a USB adapter, the driver's device).
    QList<SystemSerialDevice> devices;
    wchar_t target[1024];
    for (int number = 1; number <= 100; ++number) {
        const QString name = QStringLiteral("COM%1").arg(number);
        if (QueryDosDeviceW(reinterpret_cast<const wchar_t*>(name.utf16()), target, DWORD(std::size(target))) == 0)
            continue;
        devices.append({QStringLiteral("\\\\.\\") + name, QString::fromWCharArray(target), {}, {}, {}, {}});
    }
    return devices;
}

bool comNamesAreNative() { return true; }
