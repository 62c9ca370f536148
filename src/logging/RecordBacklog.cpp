// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordBacklog.h"

#include "LogFile.h"

std::optional<QString> RecordBacklog::write(const QString& path, const QByteArray& record)
{
    if (m_runs.empty() || m_runs.back().path != path)
        m_runs.push_back({path, {}, {}});
    m_runs.back().bytes += record;
    m_runs.back().lengths.push_back(record.size());
    ++m_waiting;
    // Each run goes in one append, so that either all of it stands in the file or none.
    while (!m_runs.empty()) {
        if (std::optional<QString> failure = appendRecord(m_runs.front().path, m_runs.front().bytes)) {
            for (; m_waiting > kBound; --m_waiting, ++m_dropped) {
                Run& oldest = m_runs.front();
                oldest.bytes.remove(0, oldest.lengths.front());
                oldest.lengths.pop_front();
                if (oldest.lengths.empty())
                    m_runs.pop_front();
            }
            return failure;
        }
        m_waiting -= m_runs.front().lengths.size();
        m_runs.pop_front();
    }
    return std::nullopt;
}
