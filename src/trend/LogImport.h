// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrendBuffer.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What reading a log gave: its records as trend samples (node, temperature and humidity;
// a log holds no set points), and how many lines did not have the log's layout.
struct LogImport {
    TrendBuffer samples{TrendBuffer::kDefaultCapacity};
    int records = 0;
    int malformed = 0;
};

// Reads records in the layout the program writes ("MM-dd-yyyy  HH:mm:ss  node  temperature
// humidity", CR LF), from text already read. A line without that layout is counted and
// skipped; a value that is not a number is kept as a gap.
LogImport importLog(const QByteArray& text);

// Reads a log file; the system's reason when it cannot be read.
std::optional<QString> importLogFile(const QString& path, LogImport& result);
