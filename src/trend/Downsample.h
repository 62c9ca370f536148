// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrendBuffer.h"

#include <QList>
#include <QPointF>

#include <array>
#include <limits>

// A run of points to be joined by lines; a gap lies between two runs.
using TrendSegment = QList<QPointF>;

// The points to draw over [fromMsecs, toMsecs) in `columns` pixel columns, x in
// milliseconds since the epoch, one list of runs per quantity (a gap lies between two
// runs: a value that is not a number ends a run, never drawn as zero, and so does a step
// of more than `longestStepMsecs` from one sample to the next, a time nothing came):
// - a reading (temperature, humidity) as each column's minimum and maximum, in the
//   order they occurred, so a column never holds more than two points however many
//   samples fall in it;
// - a set point as a step line: level between changes, upright at a change, looked at
//   once per column.
// The node number is not drawn and its list stays empty. All in one pass over the
// samples: seven days of samples are tens of megabytes.
std::array<QList<TrendSegment>, TrendSample::Count> downsampleAll(const TrendBuffer& buffer, std::int64_t fromMsecs,
                                                                   std::int64_t toMsecs, int columns,
                                                                   std::int64_t longestStepMsecs = std::numeric_limits<std::int64_t>::max());

// The longest step between live frames drawn as a line: a node sends about once a second,
// and a line silent for six seconds is silent (the display's idle rule).
inline constexpr std::int64_t kLiveLongestStepMsecs = 6000;

// The right edge of a view that follows new data, at or after `newestMsecs`: moved on in
// steps of a power of two milliseconds, the smallest not shorter than one of `columns`
// columns across `spanMsecs`. A plot's axes lay out their labels anew at every change of
// range; stepped, the range changes only when the plot would move by about a column, and
// each column keeps the same stretch of time from one redraw to the next.
std::int64_t steppedLiveEdge(std::int64_t newestMsecs, std::int64_t spanMsecs, int columns);
