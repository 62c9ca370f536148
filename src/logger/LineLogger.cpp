#include "LineLogger.h"

#include "logging/LogRecord.h"
#include "serial/ComName.h"

#include <QDir>
#include <QFileInfo>

LineLogger::LineLogger(const PortTable& ports, Settings settings, const Clock& clock, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_clock(clock), m_comm(ports)
{
    m_comm.setSettings(QString::fromLatin1(kLineSettings));
    m_comm.setCommPort(m_settings.portNumber);
    m_comm.setRunReceiver([this](QByteArrayView characters) { receiveRun(characters); });
    connect(&m_comm, &CommControl::deviceLost, this, [this](const QString& reason) {
        setAlive(false);
        m_outage = true;
        Q_EMIT report(QStringLiteral("%1 failed: %2; trying again every second").arg(lineName(), reason), true);
    });
    m_logTimer.setSingleShot(true);
    m_logTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_logTimer, &QTimer::timeout, this, [this] {
        logTick();
        scheduleLogTick();
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
    scheduleLogTick();
    m_watchTimer.start();
}

void LineLogger::stop()
{
    m_logTimer.stop();
    m_watchTimer.stop();
    m_comm.setPortOpen(false);
}

bool LineLogger::framesFresh() const
{
    return m_sinceFrame.isValid() && std::chrono::milliseconds(m_sinceFrame.elapsed()) < kFreshFor;
}

void LineLogger::receiveRun(QByteArrayView characters)
{
    while (!characters.isEmpty()) {
        qsizetype consumed = 0;
        const FrameAssembler::Outcome outcome = m_rx.receive(characters, consumed);
        characters = characters.sliced(consumed);
        if (outcome != FrameAssembler::Outcome::Accepted)
            continue;
        const QStringList& fields = m_rx.rxFields;
        for (qsizetype i = 0; i < qsizetype(m_shown.size()) && i < fields.size(); ++i)
            m_shown[std::size_t(i)] = fields.at(i);
        m_sinceFrame.start();
        setAlive(true);
        if (std::exchange(m_silenceReported, false))
            Q_EMIT report(QStringLiteral("status frames again on %1; logging goes on").arg(lineName()), false);
        Q_EMIT frameAccepted(fields, m_clock.nowMsecs());
    }
}

void LineLogger::scheduleLogTick()
{
    // Due at whole multiples of the period on the wall clock (records of a 30 s period at
    // :00 and :30), found again at every tick so that clock adjustments never add up.
    const qint64 period = m_settings.interval.count();
    const qint64 sincePhase = (m_clock.nowMsecs() - kLogPhase.count()) % period;
    m_logTimer.start(std::chrono::milliseconds(period - (sincePhase < 0 ? sincePhase + period : sincePhase)));
}

void LineLogger::logTick()
{
    if (!m_comm.portOpen() || !framesFresh())
        return;
    const QByteArray record = formatLogRecord(m_clock.now(), m_shown[0], m_shown[1], m_shown[2]);
    const auto failure = appendRecord(m_settings.logPath, record);
    // The file's full name is made only for a change worth saying.
    const auto file = [this] { return QDir::toNativeSeparators(QFileInfo(m_settings.logPath).absoluteFilePath()); };
    switch (m_logHealth.recordResult(failure)) {
    case LogHealth::Change::FailureStarted:
        Q_EMIT report(QStringLiteral("cannot write to %1: %2").arg(file(), m_logHealth.reason()), true);
        break;
    case LogHealth::Change::Recovered:
        Q_EMIT report(QStringLiteral("writing to %1 again").arg(file()), false);
        break;
    case LogHealth::Change::None:
        break;
    }
}

void LineLogger::watchTick()
{
    if (!m_comm.portOpen()) {
        tryOpen();
        return;
    }
    const bool silent = m_sinceFrame.isValid() ? !framesFresh() : std::chrono::milliseconds(m_sinceOpen.elapsed()) >= kFreshFor;
    if (!silent)
        return;
    setAlive(false);
    if (!m_silenceReported) {
        m_silenceReported = true;
        Q_EMIT report(QStringLiteral("no status frame on %1 for %2 s; no records until frames return")
                          .arg(lineName())
                          .arg(kFreshFor.count()),
                      true);
    }
}

void LineLogger::tryOpen()
{
    if (const CommResult failure = m_comm.setPortOpen(true)) {
        // The COM number behind a device given by path is the logger's own affair.
        const QString reason =
            failure->code == CommError::NoSuchPort ? QStringLiteral("the device is not present") : failure->description;
        // Said once an outage, not at every attempt.
        if (!m_outage)
            Q_EMIT report(QStringLiteral("cannot open %1: %2; trying again every second").arg(lineName(), reason), true);
        m_outage = true;
        return;
    }
    // The port closes only when the device fails, which starts an outage: an open after
    // one is a return.
    const QString text = m_outage ? QStringLiteral("%1 is open; reading again") : QStringLiteral("reading %1");
    Q_EMIT report(text.arg(lineName()), false);
    m_outage = false;
    m_silenceReported = false;
    // Silence is counted from the open, not from frames before the device went away.
    m_sinceFrame.invalidate();
    m_sinceOpen.start();
}

void LineLogger::setAlive(bool alive)
{
    if (alive == m_alive)
        return;
    m_alive = alive;
    Q_EMIT linkAliveChanged(alive);
}
