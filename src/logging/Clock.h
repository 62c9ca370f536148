// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <chrono>

// The source of the local date and time, so tests can set the moment of a record.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The same moment as milliseconds since the epoch; cheaper where no date is needed.
    virtual qint64 nowMsecs() const { return now().toMSecsSinceEpoch(); }
    // Milliseconds that only go forward, whatever is done to the date and time: for
    // periods.
    virtual qint64 monotonicMsecs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 nowMsecs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};
