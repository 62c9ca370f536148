// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrendBuffer.h"

#include <QtGlobal>

#include <array>
#include <utility>

// What the trend shows of its samples and when it is drawn again: the span chosen, the
// time range, whether the range follows the newest frame, zoom and pan, the pacing of the
// plots and the status line, and the frame rate. Times come in as arguments (the wall
// clock's milliseconds for ranges, a monotonic count for periods), so the window's
// timers and tests alike drive it.
class TrendView {
public:
    // The spans offered, in milliseconds; 0 is "All".
    static constexpr std::array<qint64, 5> kSpans{10 * 60'000, 60 * 60'000, 8 * 60 * 60'000, 24 * 60 * 60'000, 0};
    // No closer than this across.
    static constexpr qint64 kClosestRange = 10'000;
    // The newest column grows with every frame; it is drawn again at least this often.
    static constexpr qint64 kNewestColumnPeriod = 1000;
    // The status line on its own, while the plots stand still.
    static constexpr qint64 kStatusPeriod = 1000;
    // The window's tick, and how many of them make the second the frame rate counts.
    static constexpr qint64 kTickPeriod = 250;
    static constexpr int kTicksPerSecond = 1000 / kTickPeriod;

    // What the samples are: the live frames, or a log loaded (whose newest record, not
    // now, ends a followed range).
    struct Source {
        const TrendBuffer& samples;
        bool loaded;
    };

    bool following() const { return m_following; }
    qint64 span() const { return m_span; }
    qint64 from() const { return m_from; }
    qint64 to() const { return m_to; }

    // A span chosen: while not following, the range keeps its end.
    void chooseSpan(qint64 span);
    void follow() { m_following = true; }
    // Zoom and pan stop following. A zoom closer than kClosestRange is refused: false.
    bool zoom(double factor, double aroundMsecs);
    void pan(double byMsecs);
    // A log loaded: the whole of it (a minute at least) under "All", not followed; then
    // zoom and pan as with live data.
    void showWhole(const TrendBuffer& samples);

    // The range a followed view shows: back by the span from the newest frame or now
    // (for "All", from the oldest, a minute at least), its end stepped to whole columns.
    std::pair<qint64, qint64> followedRange(const Source& source, int columns, qint64 nowMsecs) const;
    // Before a drawing: a followed (or empty) range becomes the followed one. The samples
    // drawn are noted, and when.
    void drawing(const Source& source, int columns, qint64 nowMsecs, qint64 monotonicMsecs);
    // The status line was shown.
    void statusShown(qint64 monotonicMsecs) { m_statusShownAt = monotonicMsecs; }

    // What a tick of the window's timer asks for. Frames not yet drawn are drawn when the
    // live edge steps to a new column, or once a second where they only add to the newest
    // one; the status line moves with the plots, and on its own once a second while they
    // stand still.
    struct Due {
        bool plots = false;
        bool status = false;
    };
    Due tick(const Source& source, int columns, qint64 nowMsecs, qint64 monotonicMsecs, quint64 framesAccepted);
    // The frames accepted in the last second's ticks.
    double frameRate() const { return m_frameRate; }
    void startCounting(quint64 framesAccepted) { m_acceptedBefore = framesAccepted; }

private:
    qint64 m_span = kSpans[0];
    qint64 m_from = 0;
    qint64 m_to = 0;
    bool m_following = true;
    std::size_t m_drawnSize = 0;
    qint64 m_drawnLast = -1;
    qint64 m_drawnAt = 0;
    qint64 m_statusShownAt = 0;
    quint64 m_acceptedBefore = 0;
    int m_rateTicks = 0;
    double m_frameRate = 0;
};
