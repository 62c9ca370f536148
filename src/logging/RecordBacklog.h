// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <optional>

// Records that could not be written yet (the file held by another program, a folder that
// refused it, a full disk), kept in order and written ahead of the next record once the
// file takes them, each to the file it was due for. At most a day of a record a second
// waits; beyond that the oldest are dropped, and counted.
class RecordBacklog {
public:
    static constexpr std::size_t kBound = 86400;

    // Writes what waits and then `record` to `path`; on failure all of it waits, and the
    // system's reason is returned.
    std::optional<QString> write(const QString& path, const QByteArray& record);
    std::size_t waiting() const { return m_waiting; }
    quint64 dropped() const { return m_dropped; }

private:
    // Consecutive records for one file, as one block of bytes, so that a day of them is
    // written in one go and never copied again record by record.
    struct Run {
        QString path;
        QByteArray bytes;
        std::deque<qsizetype> lengths;
    };
    std::deque<Run> m_runs;
    std::size_t m_waiting = 0;
    quint64 m_dropped = 0;
};
