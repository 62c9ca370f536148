#pragma once

#include "logging/Clock.h"
#include "logging/LogFile.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"
#include "telemetry/FrameAssembler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <chrono>

// Reads one node's line without a window: assembles its frames, logs a record at each
// tick of the log period while frames are fresh, and recovers by itself when the device
// goes away. What changes is said once, as a line for the service's journal.
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

    // A frame is fresh for this long after it was accepted, as the window's silence rule.
    static constexpr std::chrono::seconds kFreshFor{6};
    static constexpr std::chrono::seconds kReopenPeriod{1};
    // Records are due this far into their second of the wall clock, so timer jitter never
    // puts two records in one second or skips one.
    static constexpr std::chrono::milliseconds kLogPhase{500};

    LineLogger(const PortTable& ports, Settings settings, const Clock& clock, QObject* parent = nullptr);

    void start();
    void stop();

    bool framesFresh() const;
    // The line described for people: "COM1 (/dev/ttyUSB0)".
    QString lineName() const;

    // The ticks, public so tests can drive them.
    void logTick();
    void watchTick();

Q_SIGNALS:
    void frameAccepted(const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    // The line began or stopped carrying fresh frames.
    void linkAliveChanged(bool alive);
    // A change worth a line in the journal; `problem` for failures, false for recoveries.
    void report(const QString& text, bool problem);

private:
    void receiveRun(QByteArrayView characters);
    void scheduleLogTick();
    void tryOpen();
    void setAlive(bool alive);

    Settings m_settings;
    const Clock& m_clock;
    SerialControl m_comm;
    FrameAssembler m_rx;
    // The node, temperature and humidity as last shown, logged as the window logs them.
    std::array<QString, 3> m_shown{QStringLiteral("0"), QStringLiteral("00.0"), QStringLiteral("00.0")};
    QElapsedTimer m_sinceFrame;
    QElapsedTimer m_sinceOpen;
    QTimer m_logTimer;
    QTimer m_watchTimer;
    LogHealth m_logHealth;
    bool m_outage = false;
    bool m_alive = false;
    bool m_silenceReported = false;
};
