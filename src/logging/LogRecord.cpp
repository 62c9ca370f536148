// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogRecord.h"

#include <array>

namespace {

// A value from the line goes into the log with its control characters as spaces, so a
// CR or LF the node sent can never start a second, forged record.
QByteArray loggedValue(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    for (char& c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            c = ' ';
    }
    return bytes;
}

} // namespace

QByteArray formatLogRecord(const QDateTime& moment, const QString& node, const QString& temperature,
                           const QString& humidity)
{
    // Fixed formats, never the locale's: a spreadsheet or script reads these columns.
    const std::array<QByteArray, 5> items{
        moment.toString(QStringLiteral("MM-dd-yyyy")).toLatin1(),
        moment.toString(QStringLiteral("HH:mm:ss")).toLatin1(),
        loggedValue(node),
        loggedValue(temperature),
        loggedValue(humidity),
    };
    QByteArray line;
    line.reserve(64);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            // The next zone start that leaves at least one space after the last item.
            const qsizetype used = line.size();
            const qsizetype nextZone = (used / kPrintZoneWidth + 1) * kPrintZoneWidth;
            line.append(nextZone - used, ' ');
        }
        line.append(items[i]);
    }
    line.append("\r\n");
    return line;
}
