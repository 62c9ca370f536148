// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialLine.h"

#include "SerialControl.h"

#include <QSerialPortInfo>

#include <sys/stat.h>

#include <optional>
#include <utility>

namespace {

// When /dev last changed (a device node came or went); none when it cannot be read.
using DeviceFolderStamp = std::pair<long long, long>;
std::optional<DeviceFolderStamp> deviceFolderStamp()
{
    struct stat dev {};
    if (::stat("/dev", &dev) != 0)
        return std::nullopt;
    return DeviceFolderStamp{dev.st_mtim.tv_sec, dev.st_mtim.tv_nsec};
}

QList<SystemSerialDevice> askForSerialDevices()
{
    QList<SystemSerialDevice> devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        SystemSerialDevice device{info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(), {}, {}};
        if (info.hasVendorIdentifier())
            device.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            device.productId = info.productIdentifier();
        devices.append(device);
    }
    return devices;
}

} // namespace

std::unique_ptr<CommControl> makeSerialControl(const PortTable& table, QObject* parent)
{
    return std::make_unique<SerialControl>(table, parent);
}

QList<SystemSerialDevice> systemSerialDevices()
{
    // Asking for the serial devices takes milliseconds, and the watchdog asks every
    // second. Device nodes come and go under /dev, so while /dev is unchanged the last
    // answer still holds. Everything runs on the one thread of the event loop.
    static std::optional<DeviceFolderStamp> answeredAt;
    static QList<SystemSerialDevice> answer;
    const std::optional<DeviceFolderStamp> stamp = deviceFolderStamp();
    if (!stamp || stamp != answeredAt) {
        answer = askForSerialDevices();
        answeredAt = stamp;
    }
    return answer;
}

bool comNamesAreNative() { return false; }
