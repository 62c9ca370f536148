// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/PortTable.h"
#include "session/LineSession.h"

#include <QObject>
#include <QTimer>

#include <chrono>


// Reads one node's line without a window, through the same line session as the desktop
// program: logs a record at each tick of the log period while frames come, and recovers
// by itself when the device goes away. What changes is said once, as a line for the
// service's journal.
class LineLogger : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int portNumber = 1;
        // How messages name the line; the COM name when empty.
        QString name{};
        std::chrono::milliseconds interval{30000};
        QString logPath;
    };

    static constexpr std::chrono::seconds kReopenPeriod{1};
    // Records are due this far into their second of the wall clock, so timer jitter never
    // puts two records in one second or skips one.
    static constexpr std::chrono::milliseconds kLogPhase{500};

    LineLogger(const PortTable& ports, Settings settings, const Clock& clock, QObject* parent = nullptr);

    void start();
    void stop();

    LineSession& session() { return m_session; }
    // The line described for people: "COM1 (/dev/ttyUSB0)".
    QString lineName() const;
    // How long until the next record is due, from `nowMsecs` on the wall clock.
    static std::chrono::milliseconds untilNextRecord(qint64 nowMsecs, std::chrono::milliseconds period);

    // How long until the record timer fires.
    std::chrono::milliseconds nextRecordIn() const { return m_logTimer.remainingTimeAsDuration(); }
    // The ticks, public so tests can drive them.
    void logTick();
    void watchTick();

Q_SIGNALS:
    // A frame a node sent, once the node is real: three of its frames within six seconds
    // (LineSession::realNodeFrame). Only these leave the logger.
    void nodeFrame(const QString& node, const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    // The line began or stopped carrying fresh frames.
    void linkAliveChanged(bool alive);
    // A change worth a line in the journal; `problem` for failures, false for recoveries.
    void report(const QString& text, bool problem);

private:
    void tryOpen();
    void setAlive(bool alive);

    Settings m_settings;
    LineSession m_session;
    QTimer m_logTimer;
    QTimer m_watchTimer;
    bool m_outage = false;
    bool m_alive = false;
    bool m_silenceReported = false;
};
