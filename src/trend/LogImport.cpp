// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogImport.h"

#include <QDateTime>
#include <QList>

#include <limits>

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

// A record's "MM-dd-yyyy" and "HH:mm:ss" as a day and a time; none unless both have
// exactly that form and name a real day and time. Read by hand: parsing with a format
// string costs tens of microseconds a line, and a week's log has 604,800 lines.
std::optional<std::pair<QDate, QTime>> recordDayAndTime(const QByteArray& date, const QByteArray& time)
{
    if (date.size() != 10 || date.at(2) != '-' || date.at(5) != '-' || time.size() != 8 || time.at(2) != ':' ||
        time.at(5) != ':')
        return std::nullopt;
    const QDate calendarDay(digitsAt(date, 6, 4), digitsAt(date, 0, 2), digitsAt(date, 3, 2));
    const QTime clock(digitsAt(time, 0, 2), digitsAt(time, 3, 2), digitsAt(time, 6, 2));
    if (!calendarDay.isValid() || !clock.isValid())
        return std::nullopt;
    return std::pair{calendarDay, clock};
}

} // namespace

void LogParser::feed(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!m_overlong && m_partial.size() + piece.size() > kLongestLine) {
            m_overlong = true;
            m_partial.clear();
        }
        if (!m_overlong)
            m_partial.append(piece);
        if (end < 0)
            return;
        bytes = bytes.sliced(end + 1);
        if (m_overlong)
            ++m_result.malformed;
        else
            takeLine(m_partial);
        m_partial.clear();
        m_overlong = false;
    }
}

void LogParser::finish()
{
    if (m_overlong)
        ++m_result.malformed;
    else if (!m_partial.trimmed().isEmpty())
        takeLine(m_partial);
    m_partial.clear();
    m_overlong = false;
}

void LogParser::takeLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> items = line.toByteArray().simplified().split(' ');
    const auto dayAndTime = items.size() == 5 ? recordDayAndTime(items[0], items[1]) : std::nullopt;
    std::optional<qint64> moment;
    if (dayAndTime) {
        const auto& [day, time] = *dayAndTime;
        if (day != m_day || time.hour() != m_hour) {
            const QDateTime start(day, QTime(time.hour(), 0));
            if (start.isValid()) {
                m_day = day;
                m_hour = time.hour();
                m_hourStart = start.toMSecsSinceEpoch();
            } else {
                // An hour the clocks skip: this time alone.
                const QDateTime single(day, time);
                m_hour = -1;
                if (single.isValid())
                    moment = single.toMSecsSinceEpoch();
            }
        }
        if (m_hour >= 0)
            moment = m_hourStart + (time.minute() * 60 + time.second()) * 1000;
    }
    if (!moment) {
        ++m_result.malformed;
        return;
    }
    TrendSample sample;
    sample.msecsSinceEpoch = *moment;
    std::fill(std::begin(sample.values), std::end(sample.values), kNoValue);
    sample.values[TrendSample::Node] = trendValue(QString::fromLatin1(items[2]));
    sample.values[TrendSample::Temperature] = trendValue(QString::fromLatin1(items[3]));
    sample.values[TrendSample::Humidity] = trendValue(QString::fromLatin1(items[4]));
    m_result.samples.append(sample);
    ++m_result.records;
    const qint64 step = *moment - m_lastMoment;
    if (m_lastMoment >= 0 && step > 0 && (m_result.steps.size() < 64 || m_result.steps.contains(step)))
        ++m_result.steps[step];
    m_lastMoment = *moment;
}

qint64 LogImport::recordInterval() const
{
    qint64 interval = 0;
    int most = 0;
    for (auto it = steps.cbegin(); it != steps.cend(); ++it) {
        if (it.value() > most || (it.value() == most && it.key() < interval)) {
            most = it.value();
            interval = it.key();
        }
    }
    return interval;
}

qint64 LogImport::longestStepMsecs() const
{
    const qint64 interval = recordInterval();
    return interval > 0 ? 2 * interval : std::numeric_limits<qint64>::max();
}

LogImport importLog(const QByteArray& text)
{
    LogImport result;
    LogParser parser(result);
    parser.feed(text);
    parser.finish();
    return result;
}
