// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTimeZone>

#include <cstdint>
#include <vector>

// The arithmetic of a trend plot's axes, apart from any widget: where the ticks go and
// what they say.

struct AxisTick {
    double value; // milliseconds since the epoch on the time axis
    QString label;
};

struct TimeAxis {
    std::int64_t stepMsecs = 0; // the ladder step chosen
    std::vector<AxisTick> ticks;
};

// Ticks for a time axis over [fromMsecs, toMsecs] drawn across `pixels`, on round local
// times of `zone`. The step is the shortest of the ladder 1, 2, 5, 10, 15, 30 s, 1, 2, 5,
// 10, 15, 30 min, 1, 2, 3, 6, 12 h, 1, 2, 7, 14 d whose ticks stand far enough apart for
// their labels: a label of n characters takes n * charWidth pixels plus two characters
// of space. Labels: "HH:mm:ss" below a minute's step, "HH:mm" below a day's with the
// date ("MM-dd") at midnight, the date alone from a day on.
TimeAxis timeAxis(std::int64_t fromMsecs, std::int64_t toMsecs, int pixels, double charWidth,
                  const QTimeZone& zone = QTimeZone::systemTimeZone());

struct ValueAxis {
    double low = 0;
    double high = 0;
    double step = 0;
    std::vector<AxisTick> ticks;
};

// A value axis holding [low, high] with some room above and below, its ends and ticks on
// a round step (1, 2 or 5 times a power of ten) with at least `minSpacing` pixels between
// ticks across `pixels`. Without a finite range (no value is a number) the axis runs 0 to 100.
ValueAxis valueAxis(double low, double high, int pixels, int minSpacing);
