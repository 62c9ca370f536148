// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogImport.h"

#include <QFile>
#include <QList>

namespace {

// The value of `count` decimal digits at `text`, or -1 when one is not a digit.
int digitsAt(const QByteArray& text, qsizetype at, int count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Local dates and times of a log, in order, as milliseconds since the epoch. Converting a
// local time asks the system's time zone each time; records come in order, so the start
// of each hour is converted once and the minutes and seconds added (offsets change on
// the hour).
class LocalTimes {
public:
    std::optional<qint64> msecsAt(QDate day, QTime time)
    {
        if (day != m_day || time.hour() != m_hour) {
            const QDateTime start(day, QTime(time.hour(), 0));
            if (!start.isValid()) {
                // An hour the clocks skip: this time alone.
                const QDateTime moment(day, time);
                return moment.isValid() ? std::optional<qint64>(moment.toMSecsSinceEpoch()) : std::nullopt;
            }
            m_day = day;
            m_hour = time.hour();
            m_hourStart = start.toMSecsSinceEpoch();
        }
        return m_hourStart + (time.minute() * 60 + time.second()) * 1000;
    }

private:
    QDate m_day;
    int m_hour = -1;
    qint64 m_hourStart = 0;
};

// A record's "MM-dd-yyyy" and "HH:mm:ss" as a local moment; none unless both have exactly
// that form and name a real day and time. Read by hand: parsing with a format string costs
// tens of microseconds a line, and a week's log has 604,800 lines.
std::optional<qint64> recordMoment(const QByteArray& date, const QByteArray& time, LocalTimes& localTimes)
{
    if (date.size() != 10 || date.at(2) != '-' || date.at(5) != '-' || time.size() != 8 || time.at(2) != ':' ||
        time.at(5) != ':')
        return std::nullopt;
    const QDate calendarDay(digitsAt(date, 6, 4), digitsAt(date, 0, 2), digitsAt(date, 3, 2));
    const QTime clock(digitsAt(time, 0, 2), digitsAt(time, 3, 2), digitsAt(time, 6, 2));
    if (!calendarDay.isValid() || !clock.isValid())
        return std::nullopt;
    return localTimes.msecsAt(calendarDay, clock);
}

} // namespace

LogImport importLog(const QByteArray& text)
{
    LogImport result;
    LocalTimes localTimes;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() && i == lines.size() - 1)
            break; // after the last CR LF
        const QList<QByteArray> items = line.simplified().split(' ');
        const std::optional<qint64> moment = items.size() == 5 ? recordMoment(items[0], items[1], localTimes) : std::nullopt;
        if (!moment) {
            ++result.malformed;
            continue;
        }
        TrendSample sample;
        sample.msecsSinceEpoch = *moment;
        std::fill(std::begin(sample.values), std::end(sample.values), kNoValue);
        sample.values[TrendSample::Node] = trendValue(QString::fromLatin1(items[2]));
        sample.values[TrendSample::Temperature] = trendValue(QString::fromLatin1(items[3]));
        sample.values[TrendSample::Humidity] = trendValue(QString::fromLatin1(items[4]));
        result.samples.append(sample);
        ++result.records;
    }
    return result;
}

std::optional<QString> importLogFile(const QString& path, LogImport& result)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    result = importLog(file.readAll());
    return std::nullopt;
}
