// SPDX-License-Identifier: GPL-3.0-or-later
#include "Downsample.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

struct ColumnSpan {
    std::size_t first;
    std::size_t last; // one past
    std::int64_t from;
    double width;
    int columns;

    int columnOf(std::int64_t msecs) const
    {
        return std::clamp(static_cast<int>((msecs - from) / width), 0, columns - 1);
    }
};

ColumnSpan spanOf(const TrendBuffer& buffer, std::int64_t fromMsecs, std::int64_t toMsecs, int columns)
{
    columns = std::max(columns, 1);
    const double width = std::max(1.0, static_cast<double>(toMsecs - fromMsecs) / columns);
    // One sample either side, so the lines run on to the edges of the span.
    std::size_t first = buffer.lowerBound(fromMsecs);
    if (first > 0)
        --first;
    std::size_t last = buffer.lowerBound(toMsecs);
    if (last < buffer.size())
        ++last;
    return {first, last, fromMsecs, width, columns};
}

// The lowest and highest value of each column of one quantity, as runs of points.
class MinMaxLine {
public:
    void add(int column, double x, float value)
    {
        if (std::isnan(value)) {
            endRun();
            return;
        }
        if (m_gathering && column == m_column) {
            if (value < m_lowY) {
                m_lowY = value;
                m_lowX = x;
            }
            if (value > m_highY) {
                m_highY = value;
                m_highX = x;
            }
            return;
        }
        flush();
        m_column = column;
        m_lowX = m_highX = x;
        m_lowY = m_highY = value;
        m_gathering = true;
    }
    // A block's lowest and highest value stand for all its samples.
    void addBlock(int column, double lowX, float low, double highX, float high)
    {
        if (lowX <= highX) {
            add(column, lowX, low);
            add(column, highX, high);
        } else {
            add(column, highX, high);
            add(column, lowX, low);
        }
    }
    QList<TrendSegment> finish()
    {
        endRun();
        return std::move(m_segments);
    }
    void endRun()
    {
        flush();
        if (!m_run.isEmpty())
            m_segments.append(std::exchange(m_run, {}));
    }

private:
    void flush()
    {
        if (!m_gathering)
            return;
        const QPointF low(m_lowX, m_lowY);
        const QPointF high(m_highX, m_highY);
        if (low == high) {
            m_run.append(low);
        } else if (m_lowX <= m_highX) {
            m_run.append(low);
            m_run.append(high);
        } else {
            m_run.append(high);
            m_run.append(low);
        }
        m_gathering = false;
    }

    QList<TrendSegment> m_segments;
    TrendSegment m_run;
    int m_column = -1;
    double m_lowX = 0;
    double m_highX = 0;
    float m_lowY = 0;
    float m_highY = 0;
    bool m_gathering = false;
};

// A set point as a step line: a change is drawn once per column, at the first sample of
// a column whose value differs from the level.
class StepLine {
public:
    void add(int column, qreal x, float value)
    {
        if (std::isnan(value)) {
            endRun();
            return;
        }
        if (m_run.isEmpty()) {
            m_run.append(QPointF(x, value));
            m_level = value;
        } else if (value != m_level && column != m_column) {
            m_run.append(QPointF(x, m_level));
            m_run.append(QPointF(x, value));
            m_level = value;
        }
        m_column = column;
        m_lastX = x;
    }
    // Samples of the column already begun, all numbers, can only move the line's end:
    // only a column's first sample can step.
    bool canSkipWithin(int column) const { return !m_run.isEmpty() && column == m_column; }
    void skipTo(qreal x) { m_lastX = x; }
    QList<TrendSegment> finish()
    {
        endRun();
        return std::move(m_segments);
    }
    void endRun()
    {
        if (!m_run.isEmpty()) {
            m_run.append(QPointF(m_lastX, m_level)); // the level runs on to the last sample
            m_segments.append(std::exchange(m_run, {}));
        }
    }

private:
    QList<TrendSegment> m_segments;
    TrendSegment m_run;
    float m_level = kNoValue;
    int m_column = -1;
    qreal m_lastX = 0;
};

constexpr std::array<TrendSample::Quantity, 2> kReadings{TrendSample::Temperature, TrendSample::Humidity};
constexpr std::array<TrendSample::Quantity, 4> kSetPoints{TrendSample::LowTemperature, TrendSample::HighTemperature,
                                                          TrendSample::LowHumidity, TrendSample::HighHumidity};

// Takes the largest whole block from the i-th sample on that lies inside the column
// begun and holds no hole, from its summary; the count of samples taken, 0 when none fits.
// `previousMsecs` is the time of the sample before, and becomes that of the block's last.
std::size_t takeBlock(const TrendBuffer& buffer, std::size_t i, const ColumnSpan& span, int column, double nextColumnAt,
                      std::int64_t& previousMsecs, std::int64_t longestStep, std::array<MinMaxLine, TrendSample::Count>& readings,
                      std::array<StepLine, TrendSample::Count>& steps)
{
    constexpr unsigned drawnQuantities = ~(1u << TrendSample::Node);
    // Every block starts at a multiple of the smallest size: most samples start none.
    if (i == span.first || !buffer.wholeBlockAt(i, TrendBuffer::kBlockSizes.size() - 1))
        return 0;
    for (std::size_t level = 0; level < TrendBuffer::kBlockSizes.size(); ++level) {
        const std::size_t size = TrendBuffer::kBlockSizes[level];
        const TrendBlock* block = i + size <= span.last ? buffer.wholeBlockAt(i, level) : nullptr;
        if (!block || (block->notNumbers & drawnQuantities) != 0 || block->sampleBySample)
            continue;
        // A hole before or inside the block breaks the lines there: its samples are read.
        if (block->firstMsecs - previousMsecs > longestStep || block->longestStep > longestStep)
            continue;
        // Its first sample is no earlier than the one before, which lies in the column.
        const auto last = static_cast<double>(block->lastMsecs());
        if (last >= nextColumnAt)
            continue;
        // Most samples start no block; the set points are asked only when one does.
        if (!std::all_of(kSetPoints.begin(), kSetPoints.end(), [&](auto q) { return steps[q].canSkipWithin(column); }))
            return 0;
        for (std::size_t r = 0; r < TrendBlock::kReadings.size(); ++r)
            readings[TrendBlock::kReadings[r]].addBlock(column, static_cast<double>(block->lowMsecs(r)), block->low[r],
                                                        static_cast<double>(block->highMsecs(r)), block->high[r]);
        for (const TrendSample::Quantity q : kSetPoints)
            steps[q].skipTo(last);
        previousMsecs = block->lastMsecs();
        return size;
    }
    return 0;
}

} // namespace

std::array<QList<TrendSegment>, TrendSample::Count> downsampleAll(const TrendBuffer& buffer, std::int64_t fromMsecs,
                                                                   std::int64_t toMsecs, int columns, std::int64_t longestStepMsecs)
{
    const ColumnSpan span = spanOf(buffer, fromMsecs, toMsecs, columns);
    std::array<MinMaxLine, TrendSample::Count> readings;
    std::array<StepLine, TrendSample::Count> steps;
    int column = 0;
    double nextColumnAt = -INFINITY;
    std::int64_t previousMsecs = span.first < span.last ? buffer.at(span.first).msecsSinceEpoch : 0;
    std::size_t columnBegan = span.first;
    for (std::size_t i = span.first; i < span.last; ++i) {
        // A whole block inside the column begun can be taken at once from its summary.
        if (const std::size_t taken = takeBlock(buffer, i, span, column, nextColumnAt, previousMsecs, longestStepMsecs, readings, steps);
            taken > 0) {
            i += taken - 1;
            continue;
        }
        const TrendSample& sample = buffer.at(i);
        if (sample.msecsSinceEpoch - previousMsecs > longestStepMsecs) {
            for (const TrendSample::Quantity q : kReadings)
                readings[q].endRun();
            for (const TrendSample::Quantity q : kSetPoints)
                steps[q].endRun();
        }
        previousMsecs = sample.msecsSinceEpoch;
        const double t = static_cast<double>(sample.msecsSinceEpoch);
        if (t >= nextColumnAt || t < nextColumnAt - span.width) {
            column = span.columnOf(sample.msecsSinceEpoch);
            nextColumnAt = static_cast<double>(span.from) + (column + 1) * span.width;
            // The next column likely holds as many samples as this one's predecessor.
            if (i > columnBegan)
                buffer.prefetchAround(i + (i - columnBegan));
            columnBegan = i;
        }
        for (const TrendSample::Quantity q : kReadings)
            readings[q].add(column, t, sample.values[q]);
        for (const TrendSample::Quantity q : kSetPoints)
            steps[q].add(column, t, sample.values[q]);
    }
    std::array<QList<TrendSegment>, TrendSample::Count> result;
    for (const TrendSample::Quantity q : kReadings)
        result[q] = readings[q].finish();
    for (const TrendSample::Quantity q : kSetPoints)
        result[q] = steps[q].finish();
    return result;
}

std::int64_t steppedLiveEdge(std::int64_t newestMsecs, std::int64_t spanMsecs, int columns)
{
    const std::int64_t column = columns > 0 ? (std::max<std::int64_t>(spanMsecs, 1) + columns - 1) / columns : 1;
    const auto step = static_cast<std::int64_t>(std::bit_ceil(static_cast<std::uint64_t>(std::min<std::int64_t>(column, std::int64_t(1) << 40))));
    const std::int64_t past = newestMsecs % step;
    return past == 0 ? newestMsecs : newestMsecs + (past > 0 ? step - past : -past);
}
