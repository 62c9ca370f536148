// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>

// Which node numbers a line really carries. Frames carry no checksum, so one frame whose
// node digit was corrupted on the line would otherwise name a node that does not exist: a
// number counts only once three frames carried it within six seconds, and from then on
// for as long as the line is read. The census is where the node of a frame is decided:
// every reader of a line's nodes (publishing, remote commands, the logger) asks it.
class NodeCensus {
public:
    static constexpr int kFramesToCount = 3;
    static constexpr std::chrono::milliseconds kWithin{6000};
    // Numbers heard fewer times than that are kept this many at most, the stalest going first.
    static constexpr qsizetype kCandidateBound = 64;

    // Counts a frame that carried `node`, received at `msecs`; whether the node is real now.
    bool heard(const QString& node, qint64 msecs);
    bool isReal(const QString& node) const { return m_real.contains(node); }
    // Counts a node's frame (its node field names it); whether its node is real. The frame
    // of a real node becomes the current one.
    bool heardFrame(const QStringList& fields, qint64 msecs);

    // The real nodes in the order they were first counted.
    const QStringList& nodes() const { return m_order; }
    // The node of the latest frame of a real node, and that frame; empty before one.
    const QString& currentNode() const { return m_currentNode; }
    const QStringList& currentFields() const { return m_currentFields; }

private:
    QSet<QString> m_real;
    QStringList m_order;
    QString m_currentNode;
    QStringList m_currentFields;
    // The receive times of a number's latest frames, oldest first, fewer than kFramesToCount.
    QHash<QString, QList<qint64>> m_candidates;
};
