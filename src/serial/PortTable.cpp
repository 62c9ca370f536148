// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortTable.h"

#include "ComName.h"

#include <QFileInfo>
#include <QStringList>

#include "SerialLine.h"

QString portToolTip(const PresentPort& port)
{
    QStringList lines{port.path};
    const SystemSerialDevice& device = port.device;
    if (!device.systemLocation.isEmpty() && device.systemLocation != port.path)
        lines.append(device.systemLocation);
    for (const QString& item : {port.description, device.description, device.manufacturer}) {
        if (!item.isEmpty() && !lines.contains(item))
            lines.append(item);
    }
    if (!device.serialNumber.isEmpty())
        lines.append(QStringLiteral("Serial number %1").arg(device.serialNumber));
    if (device.vendorId || device.productId) {
        const auto hex = [](std::optional<quint16> id) {
            return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QStringLiteral("????");
        };
        lines.append(QStringLiteral("VID:PID %1:%2").arg(hex(device.vendorId), hex(device.productId)));
    }
    return lines.join(u'\n');
}

PortTable::PortTable() : m_source(systemSerialDevices) {}

PortTable::PortTable(DeviceSource source) : m_source(std::move(source)) {}

void PortTable::setMapping(int number, const QString& path) { m_mappings.insert(number, path); }

QList<PresentPort> PortTable::presentPorts() const
{
    QMap<int, PresentPort> present;
    const QList<SystemSerialDevice> devices = m_source ? m_source() : QList<SystemSerialDevice>{};
    for (const SystemSerialDevice& device : devices) {
        if (const auto number = comNumberForDevice(device.systemLocation))
            present.insert(*number, {*number, device.systemLocation, device.description, device});
    }
    for (auto it = m_mappings.cbegin(); it != m_mappings.cend(); ++it) {
        present.remove(it.key());
        // exists() follows links, so a link to a pseudo-terminal counts while its target lives.
        const QFileInfo file(it.value());
        if (!file.exists())
            continue;
        // A /dev/serial/by-id link leads to the device the system lists.
        const QString target = file.canonicalFilePath();
        SystemSerialDevice device;
        for (const SystemSerialDevice& listed : devices) {
            if (listed.systemLocation == target)
                device = listed;
        }
        present.insert(it.key(), {it.key(), it.value(), QStringLiteral("mapped on the command line"), device});
    }
    return present.values();
}

std::optional<PresentPort> PortTable::presentPort(int number) const
{
    for (const PresentPort& port : presentPorts()) {
        if (port.number == number)
            return port;
    }
    return std::nullopt;
}
