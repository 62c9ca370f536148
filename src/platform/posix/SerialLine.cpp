// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialLine.h"

#include "SerialControl.h"

#include <QSerialPortInfo>

std::unique_ptr<CommControl> makeSerialControl(const PortTable& table, QObject* parent)
{
    return std::make_unique<SerialControl>(table, parent);
}

QList<SystemSerialDevice> systemSerialDevices()
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

bool comNamesAreNative() { return false; }
