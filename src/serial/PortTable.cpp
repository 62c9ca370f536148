#include "PortTable.h"

#include "ComName.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <sys/stat.h>

QList<SystemSerialDevice> systemSerialDevices()
{
    QList<SystemSerialDevice> devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        devices.append({info.systemLocation(), info.description()});
    return devices;
}

namespace {

// Asking the system for its serial devices takes milliseconds, and the watchdog asks every
// second. Device nodes come and go under /dev, so while /dev is unchanged the last
// answer still holds.
class CachedSystemDevices {
public:
    QList<SystemSerialDevice> operator()()
    {
        struct stat dev {};
        const bool known = ::stat("/dev", &dev) == 0;
        const auto stamp = std::make_pair(dev.st_mtim.tv_sec, dev.st_mtim.tv_nsec);
        if (!known || !m_valid || stamp != m_stamp) {
            m_devices = systemSerialDevices();
            m_stamp = stamp;
            m_valid = known;
        }
        return m_devices;
    }

private:
    bool m_valid = false;
    std::pair<time_t, long> m_stamp{};
    QList<SystemSerialDevice> m_devices;
};

} // namespace

PortTable::PortTable() : m_source(CachedSystemDevices()) {}

PortTable::PortTable(DeviceSource source) : m_source(std::move(source)) {}

void PortTable::setMapping(int number, const QString& path) { m_mappings.insert(number, path); }

QList<PresentPort> PortTable::presentPorts() const
{
    QMap<int, PresentPort> present;
    if (m_source) {
        for (const SystemSerialDevice& device : m_source()) {
            if (const auto number = comNumberForDevice(device.systemLocation))
                present.insert(*number, {*number, device.systemLocation, device.description});
        }
    }
    for (auto it = m_mappings.cbegin(); it != m_mappings.cend(); ++it) {
        present.remove(it.key());
        // exists() follows links, so a link to a pseudo-terminal counts while its target lives.
        if (QFileInfo::exists(it.value()))
            present.insert(it.key(), {it.key(), it.value(), QStringLiteral("mapped on the command line")});
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
