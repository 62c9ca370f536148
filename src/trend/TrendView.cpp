// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendView.h"

#include "Downsample.h"

#include <algorithm>
#include <tuple>

namespace {

qint64 newestOf(const TrendBuffer& samples, qint64 otherwise)
{
    return samples.empty() ? otherwise : samples.at(samples.size() - 1).msecsSinceEpoch;
}

} // namespace

void TrendView::chooseSpan(qint64 span)
{
    m_span = span;
    if (m_span > 0 && !m_following)
        m_from = m_to - m_span;
}

bool TrendView::zoom(double factor, double aroundMsecs)
{
    m_following = false;
    const double from = aroundMsecs - (aroundMsecs - static_cast<double>(m_from)) * factor;
    const double to = aroundMsecs + (static_cast<double>(m_to) - aroundMsecs) * factor;
    if (to - from < static_cast<double>(kClosestRange))
        return false;
    m_from = static_cast<qint64>(from);
    m_to = static_cast<qint64>(to);
    m_span = m_to - m_from;
    return true;
}

void TrendView::pan(double byMsecs)
{
    m_following = false;
    m_from += static_cast<qint64>(byMsecs);
    m_to += static_cast<qint64>(byMsecs);
}

void TrendView::showWhole(const TrendBuffer& samples)
{
    m_following = false;
    m_span = 0;
    m_from = samples.empty() ? 0 : samples.at(0).msecsSinceEpoch;
    m_to = samples.empty() ? 0 : std::max<qint64>(newestOf(samples, 0), m_from + 60'000);
}

std::pair<qint64, qint64> TrendView::followedRange(const Source& source, int columns, qint64 nowMsecs) const
{
    const TrendBuffer& samples = source.samples;
    const qint64 newest = newestOf(samples, nowMsecs);
    const qint64 oldest = samples.empty() ? newest - kSpans[0] : samples.at(0).msecsSinceEpoch;
    const auto fromFor = [&](qint64 to) { return m_span > 0 ? to - m_span : std::min(oldest, to - 60'000); };
    qint64 to = source.loaded ? newest : std::max(newest, nowMsecs);
    if (!m_following)
        return {fromFor(to), to};
    to = steppedLiveEdge(to, to - fromFor(to), columns);
    return {fromFor(to), to};
}

void TrendView::drawing(const Source& source, int columns, qint64 nowMsecs, qint64 monotonicMsecs)
{
    if (m_following || m_to <= m_from)
        std::tie(m_from, m_to) = followedRange(source, columns, nowMsecs);
    m_drawnAt = monotonicMsecs;
    m_drawnSize = source.samples.size();
    m_drawnLast = newestOf(source.samples, -1);
}

TrendView::Due TrendView::tick(const Source& source, int columns, qint64 nowMsecs, qint64 monotonicMsecs, quint64 framesAccepted)
{
    // The frames of the last second's ticks: whole frames a second for a node that sends
    // once a second, whenever the status line shows them.
    if (++m_rateTicks >= kTicksPerSecond) {
        m_frameRate = static_cast<double>(framesAccepted - m_acceptedBefore);
        m_acceptedBefore = framesAccepted;
        m_rateTicks = 0;
    }
    const TrendBuffer& samples = source.samples;
    const bool framesWaiting = m_following && (samples.size() != m_drawnSize || newestOf(samples, -1) != m_drawnLast);
    Due due;
    due.plots = framesWaiting && (monotonicMsecs - m_drawnAt > kNewestColumnPeriod ||
                                  followedRange(source, columns, nowMsecs).second != m_to);
    due.status = due.plots || (!framesWaiting && monotonicMsecs - m_statusShownAt > kStatusPeriod);
    return due;
}
