// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusFields.h"

QColor linkFace(LinkState state)
{
    switch (state) {
    case LinkState::Connected:
        return QColor(0x80, 0xFF, 0xFF);
    case LinkState::Lost:
        return QColor(0xFF, 0x00, 0x00);
    case LinkState::Idle:
        break;
    }
    return QColor(0xFF, 0x80, 0x00);
}

QString linkSpoken(LinkState state)
{
    switch (state) {
    case LinkState::Connected:
        return QStringLiteral("the port is open");
    case LinkState::Lost:
        return QStringLiteral("the port was lost");
    case LinkState::Idle:
        break;
    }
    return QStringLiteral("no port is open");
}

QString linkText(LinkState state, const QString& portNumber)
{
    return state == LinkState::Connected ? QStringLiteral("Connected COM") + portNumber : QStringLiteral("Comport close");
}
