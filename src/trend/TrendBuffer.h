// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetry/FrameFields.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
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
// drawn without reading every sample: for each reading its lowest and highest value and
// where in the block each first occurs, and which quantities hold a value that is not a
// number somewhere in the block.
struct TrendBlock {
    static constexpr std::size_t kSize = 64;
    static constexpr std::array<int, 2> kReadings{TrendSample::Temperature, TrendSample::Humidity};

    std::array<float, 2> low{};
    std::array<float, 2> high{};
    std::array<std::uint8_t, 2> lowAt{};
    std::array<std::uint8_t, 2> highAt{};
    std::uint8_t notNumbers = 0; // bit q for quantity q

    void add(std::uint8_t offset, const float* values);
};

// The trend's memory: samples in time order, at most `capacity` of them, the oldest
// dropped first. Storage grows as samples come, up to the bound.
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
    std::size_t memoryBytes() const
    {
        return m_samples.capacity() * sizeof(TrendSample) + m_blocks.capacity() * sizeof(TrendBlock);
    }
    // The summary of the TrendBlock::kSize samples from the i-th oldest on, when they form
    // one whole block of the storage written in one pass; none otherwise (the caller reads
    // the samples themselves).
    const TrendBlock* wholeBlockAt(std::size_t i) const;

private:
    // Where in the storage the i-th oldest sample stands.
    std::size_t slotOf(std::size_t i) const
    {
        const std::size_t slot = m_start + i;
        return slot >= m_samples.size() ? slot - m_samples.size() : slot;
    }

    std::size_t m_capacity;
    std::vector<TrendSample> m_samples;
    std::vector<TrendBlock> m_blocks; // one for each kSize slots of m_samples
    std::size_t m_start = 0; // index of the oldest sample once the buffer is full
};
