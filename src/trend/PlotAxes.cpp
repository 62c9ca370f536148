// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotAxes.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

constexpr std::array<std::int64_t, 21> kTimeLadder{
    kSecond,      2 * kSecond, 5 * kSecond,  10 * kSecond, 15 * kSecond, 30 * kSecond, kMinute,
    2 * kMinute,  5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,        2 * kHour,
    3 * kHour,    6 * kHour,   12 * kHour,   kDay,         2 * kDay,     7 * kDay,     14 * kDay,
};

int labelCharacters(std::int64_t step) { return step < kMinute ? 8 : 5; }

QString timeLabel(const QDateTime& at, std::int64_t step)
{
    if (step >= kDay || at.time() == QTime(0, 0))
        return at.toString(QStringLiteral("MM-dd"));
    return at.toString(step < kMinute ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

} // namespace

TimeAxis timeAxis(std::int64_t fromMsecs, std::int64_t toMsecs, int pixels, double charWidth, const QTimeZone& zone)
{
    TimeAxis axis;
    const double msecsPerPixel = static_cast<double>(std::max<std::int64_t>(toMsecs - fromMsecs, 1)) / std::max(pixels, 1);
    axis.stepMsecs = kTimeLadder.back();
    for (const std::int64_t step : kTimeLadder) {
        if (static_cast<double>(step) / msecsPerPixel >= (labelCharacters(step) + 2) * charWidth) {
            axis.stepMsecs = step;
            break;
        }
    }
    const std::int64_t step = axis.stepMsecs;
    // Walked on the local clock, day by day, so ticks stay on round local times when the
    // clock moves for daylight saving; a local time the clock skips has no tick.
    const QDateTime localFrom = QDateTime::fromMSecsSinceEpoch(fromMsecs, zone);
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    // Where the clock jumps forward, two round local times can stand closer than a step:
    // the later one is left out when their labels would touch.
    const std::int64_t closest = step * labelCharacters(step) / (labelCharacters(step) + 2);
    const auto take = [&](const QDateTime& at) {
        const std::int64_t msecs = at.toMSecsSinceEpoch();
        const bool apart = last == std::numeric_limits<std::int64_t>::min() || msecs - last >= closest;
        if (apart && msecs >= fromMsecs && msecs <= toMsecs) {
            axis.ticks.push_back({static_cast<double>(msecs), timeLabel(at, step)});
            last = msecs;
        }
        return msecs <= toMsecs;
    };
    for (QDate day = localFrom.date().addDays(-1);; day = day.addDays(1)) {
        if (step >= kDay) {
            // Two days from even day numbers, weeks from Mondays.
            if (day.toJulianDay() % (step / kDay) != 0)
                continue;
            if (!take(day.startOfDay(zone)))
                break;
            continue;
        }
        std::int64_t first = 0;
        if (day <= localFrom.date()) {
            const std::int64_t into = day < localFrom.date() ? kDay : localFrom.time().msecsSinceStartOfDay();
            first = std::max<std::int64_t>(0, (into / step - 1) * step);
        }
        bool inRange = true;
        for (std::int64_t at = first; at < kDay && inRange; at += step) {
            const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(at));
            const QDateTime local(day, time, zone);
            if (local.isValid() && local.time() == time)
                inRange = take(local);
        }
        if (!inRange)
            break;
    }
    return axis;
}

ValueAxis valueAxis(double low, double high, int pixels, int minSpacing)
{
    ValueAxis axis;
    if (!std::isfinite(low) || !std::isfinite(high) || low > high) {
        low = 0;
        high = 100;
    } else {
        const double margin = std::max(0.5, (high - low) * 0.08);
        low -= margin;
        high += margin;
    }
    const int most = std::max(2, pixels / std::max(minSpacing, 1));
    // The smallest round step whose ticks, the ends rounded out to it, are no more than fit.
    double power = std::pow(10.0, std::floor(std::log10((high - low) / most)));
    double step = power;
    double first = 0;
    double count = 0;
    for (int factor = 0;; factor = (factor + 1) % 3) {
        step = std::array<double, 3>{1, 2, 5}[static_cast<std::size_t>(factor)] * power;
        first = std::floor(low / step);
        count = std::ceil(high / step) - first;
        if (count <= most)
            break;
        if (factor == 2)
            power *= 10;
    }
    axis.step = step;
    axis.low = first * step;
    axis.high = (first + count) * step;
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    for (int i = 0; i <= static_cast<int>(count); ++i) {
        const double value = first + i == 0 ? 0.0 : (first + i) * step; // never "-0"
        axis.ticks.push_back({value, QString::number(value, 'f', decimals)});
    }
    return axis;
}
