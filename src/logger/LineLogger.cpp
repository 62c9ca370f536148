// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineLogger.h"

#include "serial/ComName.h"
#include "serial/SerialLine.h"
#include "session/LineCounts.h"

LineLogger::LineLogger(const PortTable& ports, Settings settings, const Clock& clock, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_session(makeSerialControl(ports))
{
    m_session.setClock(&clock);
    m_session.comm().setSettings(QString::fromLatin1(kLineSettings));
    m_session.comm().setCommPort(m_settings.portNumber);
    connect(&m_session.comm(), &CommControl::deviceLost, this, [this](const QString& reason) {
        setAlive(false);
        m_outage = true;
        // The system's own words for a vanished device are seldom telling ("Unknown error").
        const bool telling = !reason.isEmpty() && reason != QLatin1String("Unknown error");
        Q_EMIT report(QStringLiteral("%1: the device went away%2; trying again every second")
                          .arg(lineName(), telling ? QStringLiteral(" (%1)").arg(reason) : QString()),
                      true);
    });
    connect(&m_session, &LineSession::frameAccepted, this, [this] {
        setAlive(true);
        if (std::exchange(m_silenceReported, false))
            Q_EMIT report(QStringLiteral("status frames again on %1; logging goes on").arg(lineName()), false);
    });
    connect(&m_session, &LineSession::realNodeFrame, this, &LineLogger::nodeFrame);
    connect(&m_session, &LineSession::silenced, this, [this] {
        setAlive(false);
        // A device that failed has said so already.
        if (m_session.comm().portOpen() && !std::exchange(m_silenceReported, true))
            Q_EMIT report(QStringLiteral("no status frame on %1 for 6 s; no records until frames return").arg(lineName()), true);
    });
    m_logTimer.setSingleShot(true);
    m_logTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_logTimer, &QTimer::timeout, this, [this] {
        logTick();
        m_logTimer.start(untilNextRecord(m_session.clock().nowMsecs(), m_settings.interval));
    });
    m_watchTimer.setInterval(kReopenPeriod);
    connect(&m_watchTimer, &QTimer::timeout, this, &LineLogger::watchTick);
}

QString LineLogger::lineName() const
{
    return m_settings.name.isEmpty() ? comName(m_settings.portNumber) : m_settings.name;
}

void LineLogger::start()
{
    tryOpen();
    m_logTimer.start(untilNextRecord(m_session.clock().nowMsecs(), m_settings.interval));
    m_watchTimer.start();
}

void LineLogger::stop()
{
    m_logTimer.stop();
    m_watchTimer.stop();
    m_session.comm().setPortOpen(false);
    Q_EMIT report(QStringLiteral("stopped reading %1: %2")
                      .arg(lineName(), lineCountsText(lineCounts(m_session.reception(), m_session.framesNotFromNode()), CountsStyle::Journal)),
                  false);
}

std::chrono::milliseconds LineLogger::untilNextRecord(qint64 nowMsecs, std::chrono::milliseconds period)
{
    // Due at whole multiples of the period on the wall clock (records of a 30 s period at
    // :00 and :30), found again at every tick so that clock adjustments never add up.
    const qint64 length = period.count();
    const qint64 sincePhase = (nowMsecs - kLogPhase.count()) % length;
    return std::chrono::milliseconds(length - (sincePhase < 0 ? sincePhase + length : sincePhase));
}

void LineLogger::logTick()
{
    // The shown values are a frame's until the line falls silent: no record of stale ones.
    if (!m_session.comm().portOpen() || !m_session.hasFreshFrame())
        return;
    m_session.setLogPath(logFileForDay(m_settings.logPath, m_session.clock().now().date()));
    if (const LogHealth::Change change = m_session.writeRecord(); change != LogHealth::Change::None)
        Q_EMIT report(m_session.logHealthText(change), change == LogHealth::Change::FailureStarted);
}

void LineLogger::watchTick()
{
    if (!m_session.comm().portOpen())
        tryOpen();
}

void LineLogger::tryOpen()
{
    if (const CommResult failure = m_session.comm().setPortOpen(true)) {
        // The COM number behind a device given by path is the logger's own affair.
        const QString reason =
            failure->code == CommError::NoSuchPort ? QStringLiteral("the device is not present") : failure->description;
        if (!std::exchange(m_outage, true)) // said once an outage, not at every attempt
            Q_EMIT report(QStringLiteral("cannot open %1: %2; trying again every second").arg(lineName(), reason), true);
        return;
    }
    // The port closes only when the device fails, which starts an outage: an open after
    // one is a return.
    const QString text = std::exchange(m_outage, false) ? QStringLiteral("%1 is open; reading again") : QStringLiteral("reading %1");
    Q_EMIT report(text.arg(lineName()), false);
    m_silenceReported = false;
    // Silence is counted from the open, not from frames before the device went away.
    m_session.watchSilenceFromNow();
}

void LineLogger::setAlive(bool alive)
{
    if (std::exchange(m_alive, alive) != alive)
        Q_EMIT linkAliveChanged(alive);
}
