// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PortTable.h"

#include <QStringList>


// The COM numbers 1 to 100 whose names "COMn" stand whole, letter case ignored, in a
// list of device names; in increasing order.
QList<int> matchComPorts(const QStringList& deviceNames);

// Finds the present serial ports.
class PortDiscovery {
public:
    explicit PortDiscovery(const PortTable& table) : m_table(table) {}

    // Finds the ports present now.
    void EnumSerialPorts();

    // The ports found by the last EnumSerialPorts, each once, in increasing number.
    const QList<PresentPort>& found() const { return m_found; }

private:
    const PortTable& m_table;
    QList<PresentPort> m_found;
};
