// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommControl.h"

#include <QStringList>

std::variant<LineSettings, CommFailure> parseLineSettings(const QString& settings)
{
    const QStringList parts = settings.split(u',');
    bool ok = parts.size() == 4;
    LineSettings line;
    line.baudRate = ok ? parts[0].toInt(&ok) : 0;
    const QString parity = parts.value(1).toLower();
    line.parity = parity == u"e" ? LineSettings::Parity::Even : parity == u"o" ? LineSettings::Parity::Odd : LineSettings::Parity::None;
    line.dataBits = parts.value(2).toInt();
    line.stopBits = parts.value(3) == u"2" ? 2 : 1;
    ok = ok && line.baudRate > 0 && (parity == u"n" || parity == u"e" || parity == u"o") && line.dataBits >= 5 && line.dataBits <= 8 &&
         (parts.value(3) == u"1" || parts.value(3) == u"2");
    if (!ok)
        return CommFailure{CommError::InvalidSetting, QStringLiteral("Invalid property value")};
    return line;
}
