// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendBuffer.h"

#include <algorithm>
#include <limits>

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

void TrendBlock::add(std::size_t offset, const TrendSample& sample, bool inOrder)
{
    if (offset == 0) {
        *this = TrendBlock{};
        firstMsecs = sample.msecsSinceEpoch;
    }
    const std::int64_t since = sample.msecsSinceEpoch - firstMsecs;
    const std::int64_t step = since - lastOffset;
    sampleBySample = sampleBySample || !inOrder || since < 0 || since > std::numeric_limits<std::uint32_t>::max();
    if (sampleBySample) {
        // Its offsets mean nothing any more; only the flag is read.
        lastOffset = 0;
        return;
    }
    if (offset > 0)
        longestStep = static_cast<std::uint32_t>(std::max<std::int64_t>(longestStep, step));
    lastOffset = static_cast<std::uint32_t>(since);
    for (int q = 0; q < TrendSample::Count; ++q) {
        if (std::isnan(sample.values[q]))
            notNumbers |= static_cast<std::uint8_t>(1u << q);
    }
    for (std::size_t r = 0; r < kReadings.size(); ++r) {
        const float value = sample.values[kReadings[r]];
        // The first occurrence wins, as when the samples are read one by one.
        if (offset == 0 || value < low[r]) {
            low[r] = value;
            lowOffset[r] = lastOffset;
        }
        if (offset == 0 || value > high[r]) {
            high[r] = value;
            highOffset[r] = lastOffset;
        }
    }
}

void TrendBuffer::append(const TrendSample& sample)
{
    if (m_capacity == 0)
        return;
    const bool inOrder = sample.msecsSinceEpoch >= m_lastAppended;
    m_lastAppended = sample.msecsSinceEpoch;
    std::size_t slot = m_start;
    if (m_samples.size() < m_capacity) {
        // The whole bound is reserved at once: untouched pages take no memory, and growing by
        // copies would leave the freed copies resident in the heap and stall a frame for the
        // copy of millions of samples.
        if (m_samples.capacity() < m_capacity) {
            m_samples.reserve(m_capacity);
            for (std::size_t level = 0; level < kBlockSizes.size(); ++level)
                m_blocks[level].reserve((m_capacity + kBlockSizes[level] - 1) / kBlockSizes[level]);
        }
        slot = m_samples.size();
        m_samples.push_back(sample);
    } else {
        m_samples[m_start] = sample;
        m_start = (m_start + 1) % m_capacity;
    }
    for (std::size_t level = 0; level < kBlockSizes.size(); ++level) {
        const std::size_t block = slot / kBlockSizes[level];
        if (block == m_blocks[level].size())
            m_blocks[level].emplace_back();
        m_blocks[level][block].add(slot % kBlockSizes[level], sample, inOrder);
    }
}

const TrendBlock* TrendBuffer::wholeBlockAt(std::size_t i, std::size_t level) const
{
    const std::size_t blockSize = kBlockSizes[level];
    if (i + blockSize > size())
        return nullptr;
    const std::size_t slot = slotOf(i);
    // Block sizes are powers of two: a mask, not a division, in the drawing's inner loop.
    if ((slot & (blockSize - 1)) != 0 || slot + blockSize > m_samples.size())
        return nullptr;
    // Once full, the block being overwritten holds new samples before the oldest ones.
    if (m_samples.size() == m_capacity && m_start > slot && m_start < slot + blockSize)
        return nullptr;
    return &m_blocks[level][slot / blockSize];
}

void TrendBuffer::prefetchAround(std::size_t i) const
{
#if defined(__GNUC__)
    if (i >= size())
        return;
    const std::size_t slot = slotOf(i);
    const auto fetch = [](const void* address) { __builtin_prefetch(address); };
    constexpr std::size_t kLine = 64;
    // The samples read one by one, either side of a column's edge.
    const std::size_t samplesFrom = slot >= 8 ? slot - 8 : 0;
    const std::size_t samplesTo = std::min(slot + 8, m_samples.size());
    for (std::size_t s = samplesFrom; s < samplesTo; s += kLine / sizeof(TrendSample))
        fetch(&m_samples[s]);
    // The blocks taken up to the edge and after it: a few of each smaller size, the
    // largest next to it.
    for (std::size_t level = 0; level < kBlockSizes.size(); ++level) {
        const std::vector<TrendBlock>& blocks = m_blocks[level];
        const std::size_t reach = std::min<std::size_t>(kBlockSizes[level] * 8, 1024);
        const std::size_t from = (slot >= reach ? slot - reach : 0) / kBlockSizes[level];
        const std::size_t to = std::min((slot + reach) / kBlockSizes[level], blocks.size());
        for (std::size_t b = from; b < to; ++b)
            fetch(&blocks[b]);
    }
#else
    (void)i;
#endif
}

void TrendBuffer::clear()
{
    m_samples.clear();
    m_samples.shrink_to_fit();
    for (std::vector<TrendBlock>& level : m_blocks) {
        level.clear();
        level.shrink_to_fit();
    }
    m_start = 0;
    m_lastAppended = std::numeric_limits<std::int64_t>::min();
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
