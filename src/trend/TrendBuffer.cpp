#include "TrendBuffer.h"

#include <algorithm>

float trendValue(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? static_cast<float>(value) : kNoValue;
}

TrendSample sampleFromFields(std::int64_t msecsSinceEpoch, const QStringList& fields)
{
    TrendSample sample;
    sample.msecsSinceEpoch = msecsSinceEpoch;
    // Fields 0 to 6 of a status frame: node, temperature, humidity, then the low and high
    // temperature points and the low and high humidity points.
    for (int q = 0; q < TrendSample::Count; ++q)
        sample.values[q] = q < fields.size() ? trendValue(fields.at(q)) : kNoValue;
    return sample;
}

void TrendBuffer::append(const TrendSample& sample)
{
    if (m_capacity == 0)
        return;
    if (m_samples.size() < m_capacity) {
        // Grow by doubling, but never past the bound: a full buffer holds no spare room.
        if (m_samples.size() == m_samples.capacity())
            m_samples.reserve(std::min(m_capacity, std::max<std::size_t>(1024, m_samples.capacity() * 2)));
        m_samples.push_back(sample);
        return;
    }
    m_samples[m_start] = sample;
    m_start = (m_start + 1) % m_capacity;
}

void TrendBuffer::clear()
{
    m_samples.clear();
    m_samples.shrink_to_fit();
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
