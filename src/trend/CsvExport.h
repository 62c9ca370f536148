// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrendBuffer.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The samples from index `first` to `last` (one past) as RFC 4180 CSV with a header row:
// ISO 8601 local date and time with its offset, the same local time without the offset
// for spreadsheets, node, temperature, humidity and the four set points; numbers with "." as the decimal separator whatever the locale, an empty
// field where there is no number; CR LF line ends.
QByteArray csvFromSamples(const TrendBuffer& buffer, std::size_t first, std::size_t last);

// Writes that text to a file; the system's reason when it cannot.
std::optional<QString> exportCsv(const QString& path, const TrendBuffer& buffer, std::size_t first, std::size_t last);
