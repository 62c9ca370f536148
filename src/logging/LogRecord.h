// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

inline constexpr int kPrintZoneWidth = 14;

// One line of the log: date (month-day-year), 24-hour time, node number, temperature and
// humidity, each item starting at a 14-character print zone, ended by CR LF. The date and
// the time come from one reading of the clock, so a record never mixes two days.
QByteArray formatLogRecord(const QDateTime& moment, const QString& node, const QString& temperature,
                           const QString& humidity);
