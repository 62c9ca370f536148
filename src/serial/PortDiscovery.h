#pragma once

#include "PortTable.h"

#include <QStringList>

#include <array>

// The COM numbers 1 to 100 whose names "COMn" stand whole, letter case ignored, in a
// list of device names; in increasing order.
QList<int> matchComPorts(const QStringList& deviceNames);

// Finds the present serial ports. comPorts keeps the names found, in increasing number;
// slots after the last name written keep what an earlier discovery left there.
class PortDiscovery {
public:
    static constexpr int kSlots = 101;

    explicit PortDiscovery(const PortTable& table) : m_table(table) {}

    // Refreshes comPorts from the ports present now.
    void EnumSerialPorts();

    // The ports found by the last EnumSerialPorts, each once, in increasing number.
    const QList<PresentPort>& found() const { return m_found; }
    const std::array<QString, kSlots>& comPorts() const { return m_comPorts; }

private:
    const PortTable& m_table;
    std::array<QString, kSlots> m_comPorts;
    QList<PresentPort> m_found;
};
