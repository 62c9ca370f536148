// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// A status frame as a node sends it: "?", a tag, "=", the node number, the fields, then
// padding so that the frame is at least 70 characters long.
inline QByteArray statusFrame(const QByteArray& node, const QList<QByteArray>& fields, char pad = '0')
{
    QByteArray frame = "?ND=" + node;
    for (const QByteArray& field : fields)
        frame += ',' + field;
    frame += ',';
    if (frame.size() < 70)
        frame.append(70 - frame.size(), pad);
    return frame + "\r\n";
}

// A typical frame: node 1, 25.3 C, 60.2 %, set points, HOT-COLD 10, mode 2, PWM 128,
// Relay1 on, Relay2 off, Input1 on, Input2 off, ADC 512, AutoScan on.
inline QByteArray typicalFrame()
{
    return statusFrame("1", {"25.3", "60.2", "20.0", "30.0", "40.0", "80.0", "10", "2", "128", "1", "0", "1", "0", "512", "1"});
}
