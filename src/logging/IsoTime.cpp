// SPDX-License-Identifier: GPL-3.0-or-later
#include "IsoTime.h"

#include <QDateTime>

#include <cstdlib>

QByteArray isoLocalWithOffset(std::int64_t msecsSinceEpoch, bool milliseconds)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString format = milliseconds ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz") : QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    return local.toString(format).toLatin1() + (offset < 0 ? "-" : "+") +
           QByteArray::number(minutes / 60).rightJustified(2, '0') + ':' +
           QByteArray::number(minutes % 60).rightJustified(2, '0');
}
