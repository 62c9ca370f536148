// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>

// Which node numbers a line really carries. Frames carry no checksum, so one frame whose
// node digit was corrupted on the line would otherwise name a node that does not exist: a
// number counts only once three frames carried it within six seconds, and from then on
// for as long as the logger runs.
class NodeCensus {
public:
    static constexpr int kFramesToCount = 3;
    static constexpr std::chrono::milliseconds kWithin{6000};
    // Numbers heard fewer times than that are kept this many at most, the stalest going first.
    static constexpr qsizetype kCandidateBound = 64;

    // Counts a frame that carried `node`, received at `msecs`; whether the node is real now.
    bool heard(const QString& node, qint64 msecs);
    bool isReal(const QString& node) const { return m_real.contains(node); }

private:
    QSet<QString> m_real;
    // The receive times of a number's latest frames, oldest first, fewer than kFramesToCount.
    QHash<QString, QList<qint64>> m_candidates;
};
