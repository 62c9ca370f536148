// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logging/Clock.h"

// A clock the test moves: the wall clock and the monotonic count go on together by
// advance(), and the wall clock alone can be set anywhere.
class TestClock : public Clock {
public:
    explicit TestClock(qint64 wallMsecs = QDateTime::currentMSecsSinceEpoch()) : wall(wallMsecs) {}
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(wall); }
    qint64 nowMsecs() const override { return wall; }
    qint64 monotonicMsecs() const override { return monotonic; }
    void advance(qint64 msecs)
    {
        wall += msecs;
        monotonic += msecs;
    }

    qint64 wall;
    qint64 monotonic = 0;
};
