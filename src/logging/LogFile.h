// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

inline constexpr const char* kLogFileName = "data.txt";

// Appends one record to a file and closes it again, without ever blocking or raising a
// signal: a name that is not a regular file (FIFO, device, directory) is not written.
// When the record cannot be written whole, the file is cut back to its old end so that no
// partial line is left behind. Returns the system's reason on failure.
std::optional<QString> appendRecord(const QString& path, const QByteArray& record);

// The log file for a day: the name with %Y, %m and %d replaced by the day's year, month
// and day (four and two digits), and %% by "%". A name without them is the same every day.
QString logFileForDay(const QString& pattern, const QDate& day);

// Tracks a run of failed writes so that a failure is reported once when it starts and the
// recovery is noticed.
class LogHealth {
public:
    enum class Change { None, FailureStarted, Recovered };

    Change recordResult(const std::optional<QString>& failure);
    bool failing() const { return m_failing; }
    const QString& reason() const { return m_reason; }

private:
    bool m_failing = false;
    QString m_reason;
};
