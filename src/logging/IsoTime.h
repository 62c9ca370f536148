// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstdint>

// A moment as ISO 8601 local date and time with the local offset ("+01:00", never "Z"),
// so a reader elsewhere knows both the wall clock at the machine and the absolute time.
// Whole seconds, or with milliseconds ("2026-12-07T16:40:05.123+01:00").
QByteArray isoLocalWithOffset(std::int64_t msecsSinceEpoch, bool milliseconds = false);
