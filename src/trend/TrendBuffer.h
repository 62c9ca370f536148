// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetry/FrameFields.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

// One point of the trend: the readings and set points of one accepted frame (or one log
// record), each as a number, or NaN where the text did not read as one.
struct TrendSample {
    enum Quantity { Node, Temperature, Humidity, LowTemperature, HighTemperature, LowHumidity, HighHumidity, Count };

    std::int64_t msecsSinceEpoch = 0;
    float values[Count] = {};

    float value(Quantity q) const { return values[q]; }
};

// The frame field each quantity of a sample comes from.
inline constexpr FrameField::Index kTrendField[TrendSample::Count]{
    FrameField::Node,          FrameField::Temperature,     FrameField::Humidity,     FrameField::LowTemperature,
    FrameField::HighTemperature, FrameField::LowHumidity, FrameField::HighHumidity,
};

inline constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// A field's text as a trend value: NaN unless it reads as a number (fieldNumber).
float trendValue(const QString& text);

// The sample for a frame's fields received at `msecsSinceEpoch`.
TrendSample sampleFromFields(std::int64_t msecsSinceEpoch, const QStringList& fields);

// What a block of consecutive samples holds, kept as samples come so that a long span is
// drawn without reading every sample: the times of its first and last sample and the
// longest step between two of them, for each reading its lowest and highest value and the
// time each first occurs, and which quantities hold a value that is not a number somewhere
// in the block. Times are kept here rather than looked up, as the samples they would be
// read from are seldom in the cache; past the first, as offsets from it, so that a block
// fits one cache line.
struct TrendBlock {
    static constexpr std::array<int, 2> kReadings{TrendSample::Temperature, TrendSample::Humidity};

    std::int64_t firstMsecs = 0;
    std::uint32_t lastOffset = 0;
    // The longest time from one of its samples to the next: a line breaks at a hole.
    std::uint32_t longestStep = 0;
    std::array<std::uint32_t, 2> lowOffset{};
    std::array<std::uint32_t, 2> highOffset{};
    std::array<float, 2> low{};
    std::array<float, 2> high{};
    std::uint8_t notNumbers = 0; // bit q for quantity q
    // Its samples are to be read one by one: one is earlier than the one before it (the
    // clock was set back) and may belong to other columns than the block's ends, or the
    // block spans longer than its offsets reach (about 49 days).
    bool sampleBySample = false;

    std::int64_t lastMsecs() const { return firstMsecs + lastOffset; }
    std::int64_t lowMsecs(std::size_t r) const { return firstMsecs + lowOffset[r]; }
    std::int64_t highMsecs(std::size_t r) const { return firstMsecs + highOffset[r]; }

    // Adds the sample at `offset` into the block; offset 0 begins it anew. `inOrder`:
    // the sample is no earlier than the one appended before it.
    void add(std::size_t offset, const TrendSample& sample, bool inOrder);
};
static_assert(sizeof(TrendBlock) <= 64, "a block's summary is read as one cache line");

// The trend's memory: samples in time order, at most `capacity` of them, the oldest
// dropped first. Storage for the whole bound is reserved at the first sample; its pages
// are taken as samples come.
class TrendBuffer {
public:
    // Seven days at one frame a second.
    static constexpr std::size_t kDefaultCapacity = 604800;

    explicit TrendBuffer(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

    void append(const TrendSample& sample);
    void clear();

    std::size_t size() const { return m_samples.size() < m_capacity ? m_samples.size() : m_capacity; }
    std::size_t capacity() const { return m_capacity; }
    bool empty() const { return m_samples.empty(); }
    // The i-th oldest sample.
    const TrendSample& at(std::size_t i) const { return m_samples[slotOf(i)]; }
    // Index of the first sample at or after `msecs`, by binary search.
    std::size_t lowerBound(std::int64_t msecs) const;
    // The bytes its samples and their summaries take: what it keeps resident.
    std::size_t usedBytes() const
    {
        std::size_t bytes = size() * sizeof(TrendSample);
        for (std::size_t level = 0; level < kBlockSizes.size(); ++level)
            bytes += (size() + kBlockSizes[level] - 1) / kBlockSizes[level] * sizeof(TrendBlock);
        return bytes;
    }
    // The bytes it has reserved: its whole bound, once a sample came.
    std::size_t memoryBytes() const
    {
        std::size_t bytes = m_samples.capacity() * sizeof(TrendSample);
        for (const std::vector<TrendBlock>& level : m_blocks)
            bytes += level.capacity() * sizeof(TrendBlock);
        return bytes;
    }
    // Blocks are summarised at two sizes: a long span takes the large ones, and the small
    // ones cover most of the samples at the edges of a column, where a large block does
    // not fit.
    static constexpr std::array<std::size_t, 3> kBlockSizes{512, 64, 8};
    static_assert(std::has_single_bit(kBlockSizes[0]) && std::has_single_bit(kBlockSizes[1]) && std::has_single_bit(kBlockSizes[2]));
    // The summary of the kBlockSizes[level] samples from the i-th oldest on, when they
    // form one whole block of the storage written in one pass; none otherwise (the caller
    // reads the samples themselves).
    const TrendBlock* wholeBlockAt(std::size_t i, std::size_t level) const;
    // Asks the processor to bring in, ahead of use, what a walk reads around the i-th
    // oldest sample: the samples and the smaller summaries near it. The walk over a long
    // span jumps from column to column, too far apart for the processor to guess.
    void prefetchAround(std::size_t i) const;

private:
    // Where in the storage the i-th oldest sample stands.
    std::size_t slotOf(std::size_t i) const
    {
        const std::size_t slot = m_start + i;
        return slot >= m_samples.size() ? slot - m_samples.size() : slot;
    }

    std::size_t m_capacity;
    std::vector<TrendSample> m_samples;
    // For each level, one block for each kBlockSizes[level] slots of m_samples.
    std::array<std::vector<TrendBlock>, kBlockSizes.size()> m_blocks;
    std::size_t m_start = 0; // index of the oldest sample once the buffer is full
    std::int64_t m_lastAppended = std::numeric_limits<std::int64_t>::min();
};
