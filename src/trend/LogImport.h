// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TrendBuffer.h"

#include <QByteArray>
#include <QHash>
#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>

// What reading a log gave: its records as trend samples (node, temperature and humidity;
// a log holds no set points), and how many lines did not have the log's layout.
struct LogImport {
    TrendBuffer samples{TrendBuffer::kDefaultCapacity};
    int records = 0;
    int malformed = 0;
    // How often each step from one record to the next occurred, in milliseconds; a few
    // dozen different steps at most are counted.
    QHash<qint64, int> steps;

    // The step the log was written at: the most frequent one; 0 for fewer than two records.
    qint64 recordInterval() const;
    // A hole longer than two record intervals is drawn as a gap.
    qint64 longestStepMsecs() const;
};

// Reads records in the layout the program writes ("MM-dd-yyyy  HH:mm:ss  node  temperature
// humidity", CR LF) from text that comes piece by piece. A line without that layout is
// counted and skipped; a value that is not a number is kept as a gap. A line is never held
// longer than kLongestLine: anything longer is no record, and is skipped as it comes.
class LogParser {
public:
    static constexpr qsizetype kLongestLine = 256;

    explicit LogParser(LogImport& result) : m_result(result) {}
    void feed(QByteArrayView bytes);
    // The last line, when the text does not end in a line end.
    void finish();

private:
    void takeLine(QByteArrayView line);

    LogImport& m_result;
    QByteArray m_partial;
    qint64 m_lastMoment = -1;
    bool m_overlong = false;
    // The start of the hour last converted: records come in order, and converting a local
    // time asks the system's time zone each time (offsets change on the hour).
    QDate m_day;
    int m_hour = -1;
    qint64 m_hourStart = 0;
};

// The records of a whole text at once.
LogImport importLog(const QByteArray& text);
