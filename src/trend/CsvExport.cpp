// SPDX-License-Identifier: GPL-3.0-or-later
#include "CsvExport.h"

#include "logging/IsoTime.h"

#include <QSaveFile>

#include <cmath>

namespace {

QByteArray csvNumber(float value)
{
    // QByteArray::number never uses the locale: "." always.
    return std::isnan(value) ? QByteArray() : QByteArray::number(static_cast<double>(value), 'g', 7);
}

} // namespace

QByteArray csvFromSamples(const TrendBuffer& buffer, std::size_t first, std::size_t last)
{
    QByteArray text("time,local_time,node,temperature,humidity,low_temperature_point,high_temperature_point,"
                    "low_humidity_point,high_humidity_point\r\n");
    for (std::size_t i = first; i < last && i < buffer.size(); ++i) {
        const TrendSample& sample = buffer.at(i);
        const QByteArray time = isoLocalWithOffset(sample.msecsSinceEpoch);
        text += time;
        // LibreOffice reads a date-time with an offset as text, but the same local time
        // without it as a date, whatever its import settings.
        text += ',';
        text += time.left(19);
        for (const float value : sample.values) {
            text += ',';
            text += csvNumber(value);
        }
        text += "\r\n";
    }
    return text;
}

std::optional<QString> exportCsv(const QString& path, const TrendBuffer& buffer, std::size_t first, std::size_t last)
{
    // Written whole or not at all: an existing file is replaced only by a complete export.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(csvFromSamples(buffer, first, last));
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
