// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendBuffer.h"

#include <algorithm>

float trendValue(const QString& text)
{
    const std::optional<double> value = fieldNumber(QStringView(text));
    return value ? static_cast<float>(*value) : kNoValue;
}

TrendSample sampleFromFields(std::int64_t msecsSinceEpoch, const QStringList& fields)
{
    TrendSample sample;
    sample.msecsSinceEpoch = msecsSinceEpoch;
    for (int q = 0; q < TrendSample::Count; ++q) {
        const std::optional<double> value = fieldNumber(fields, kTrendField[q]);
        sample.values[q] = value ? static_cast<float>(*value) : kNoValue;
    }
    return sample;
}

void TrendBlock::add(std::uint8_t offset, const float* values)
{
    if (offset == 0)
        *this = TrendBlock{};
    for (int q = 0; q < TrendSample::Count; ++q) {
        if (std::isnan(values[q]))
            notNumbers |= static_cast<std::uint8_t>(1u << q);
    }
    for (std::size_t r = 0; r < kReadings.size(); ++r) {
        const float value = values[kReadings[r]];
        // The first occurrence wins, as when the samples are read one by one.
        if (offset == 0 || value < low[r]) {
            low[r] = value;
            lowAt[r] = offset;
        }
        if (offset == 0 || value > high[r]) {
            high[r] = value;
            highAt[r] = offset;
        }
    }
}

void TrendBuffer::append(const TrendSample& sample)
{
    if (m_capacity == 0)
        return;
    std::size_t slot = m_start;
    if (m_samples.size() < m_capacity) {
        // Grow by doubling, but never past the bound: a full buffer holds no spare room.
        if (m_samples.size() == m_samples.capacity()) {
            m_samples.reserve(std::min(m_capacity, std::max<std::size_t>(1024, m_samples.capacity() * 2)));
            m_blocks.reserve((m_samples.capacity() + TrendBlock::kSize - 1) / TrendBlock::kSize);
        }
        slot = m_samples.size();
        m_samples.push_back(sample);
    } else {
        m_samples[m_start] = sample;
        m_start = (m_start + 1) % m_capacity;
    }
    const std::size_t block = slot / TrendBlock::kSize;
    if (block == m_blocks.size())
        m_blocks.emplace_back();
    m_blocks[block].add(static_cast<std::uint8_t>(slot % TrendBlock::kSize), sample.values);
}

const TrendBlock* TrendBuffer::wholeBlockAt(std::size_t i) const
{
    if (i + TrendBlock::kSize > size())
        return nullptr;
    const std::size_t slot = slotOf(i);
    if (slot % TrendBlock::kSize != 0 || slot + TrendBlock::kSize > m_samples.size())
        return nullptr;
    // Once full, the block being overwritten holds new samples before the oldest ones.
    if (m_samples.size() == m_capacity && m_start > slot && m_start < slot + TrendBlock::kSize)
        return nullptr;
    return &m_blocks[slot / TrendBlock::kSize];
}

void TrendBuffer::clear()
{
    m_samples.clear();
    m_samples.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_start = 0;
}

std::size_t TrendBuffer::lowerBound(std::int64_t msecs) const
{
    std::size_t low = 0;
    std::size_t high = size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (at(middle).msecsSinceEpoch < msecs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}
