// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// A device as the system lists it, with what the system knows of it.
struct SystemSerialDevice {
    QString systemLocation;
    QString description{};
    QString manufacturer{};
    QString serialNumber{};
    std::optional<quint16> vendorId{};
    std::optional<quint16> productId{};
};

// A serial device that is present now, under its COM number. For a mapping given on the
// command line, `device` describes the device its path leads to, when the system lists it.
struct PresentPort {
    int number = 0;
    QString path;
    QString description{};
    SystemSerialDevice device{};
};

// The tooltip of a port: its path and what is known of its device, one item a line.
QString portToolTip(const PresentPort& port);

// Maps COM numbers to devices: the system's serial devices by their fixed table, and
// mappings given on the command line, which override the table.
class PortTable {
public:
    using DeviceSource = std::function<QList<SystemSerialDevice>()>;

    // The default source asks the system (systemSerialDevices).
    PortTable();
    explicit PortTable(DeviceSource source);

    void setMapping(int number, const QString& path);
    const QMap<int, QString>& mappings() const { return m_mappings; }

    // The present ports in increasing number. A mapping is present while its path exists.
    QList<PresentPort> presentPorts() const;
    std::optional<PresentPort> presentPort(int number) const;

private:
    DeviceSource m_source;
    QMap<int, QString> m_mappings;
};

