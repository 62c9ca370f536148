// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommControl.h"

#include "ComName.h"

#include <QStringList>

CommFailure noSuchPort(int number)
{
    if (number == 0)
        return {CommError::NoSuchPort, QStringLiteral("Invalid port number")};
    if (number < 0 || number > kLastComNumber)
        return {CommError::NoSuchPort, QStringLiteral("COM1 to COM100 only")};
    return {CommError::NoSuchPort, QStringLiteral("No device is present for %1").arg(comName(number))};
}

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
