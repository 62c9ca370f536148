// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// The source of the local date and time, so tests can set the moment of a record.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The same moment as milliseconds since the epoch; cheaper where no date is needed.
    virtual qint64 nowMsecs() const { return now().toMSecsSinceEpoch(); }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 nowMsecs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};
