#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// A serial device that is present now, under its COM number.
struct PresentPort {
    int number = 0;
    QString path;
    QString description;
};

// A device as the system lists it.
struct SystemSerialDevice {
    QString systemLocation;
    QString description;
};

// Maps COM numbers to devices: the system's serial devices by their fixed table, and
// mappings given on the command line, which override the table.
class PortTable {
public:
    using DeviceSource = std::function<QList<SystemSerialDevice>()>;

    // The default source asks QSerialPortInfo.
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

QList<SystemSerialDevice> systemSerialDevices();
