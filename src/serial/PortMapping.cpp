// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortMapping.h"

#include "ComName.h"

std::variant<PortMapping, QString> parsePortMapping(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return QStringLiteral("--port %1: expected COMn=PATH, for example COM7=/dev/ttyUSB0").arg(text);
    const QString name = text.left(equals);
    const QString path = text.mid(equals + 1);
    const auto number = parseComName(name);
    if (!number)
        return QStringLiteral("--port %1: \"%2\" is not a port name COM1 to COM100").arg(text, name);
    if (path.isEmpty())
        return QStringLiteral("--port %1: the device path is empty").arg(text);
    return PortMapping{*number, path};
}
