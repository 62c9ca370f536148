// SPDX-License-Identifier: GPL-3.0-or-later
#include "NodeCensus.h"

#include <algorithm>

bool NodeCensus::heard(const QString& node, qint64 msecs)
{
    if (m_real.contains(node))
        return true;
    if (!m_candidates.contains(node) && m_candidates.size() >= kCandidateBound) {
        const auto stalest = std::min_element(m_candidates.cbegin(), m_candidates.cend(),
                                              [](const QList<qint64>& a, const QList<qint64>& b) { return a.constLast() < b.constLast(); });
        m_candidates.erase(stalest);
    }
    QList<qint64>& times = m_candidates[node];
    times.append(msecs);
    if (times.size() == kFramesToCount) {
        if (times.constLast() - times.constFirst() <= kWithin.count()) {
            m_candidates.remove(node);
            m_real.insert(node);
            return true;
        }
        times.removeFirst();
    }
    return false;
}
