// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortDiscovery.h"

#include "ComName.h"

#include <QSet>

QList<int> matchComPorts(const QStringList& deviceNames)
{
    QSet<QString> names;
    for (const QString& name : deviceNames)
        names.insert(name.toUpper());
    QList<int> found;
    for (int n = kFirstComNumber; n <= kLastComNumber; ++n) {
        if (names.contains(comName(n)))
            found.append(n);
    }
    return found;
}

void PortDiscovery::EnumSerialPorts()
{
    const QList<PresentPort> present = m_table.presentPorts();
    QStringList deviceNames;
    for (const PresentPort& port : present)
        deviceNames.append(comName(port.number));

    m_found.clear();
    for (int number : matchComPorts(deviceNames)) {
        for (const PresentPort& port : present) {
            if (port.number == number)
                m_found.append(port);
        }
    }
}
