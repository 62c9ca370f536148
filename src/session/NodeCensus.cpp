// SPDX-License-Identifier: GPL-3.0-or-later
#include "NodeCensus.h"

#include "telemetry/FrameFields.h"

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
            m_order.append(node);
            return true;
        }
        times.removeFirst();
    }
    return false;
}

bool NodeCensus::heardFrame(const QStringList& fields, qint64 msecs)
{
    const QString node = fields.value(FrameField::Node);
    if (!heard(node, msecs))
        return false;
    m_currentNode = node;
    m_currentFields = fields;
    return true;
}
