// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineSession.h"

#include "LineCounts.h"
#include "platform/WindowSystem.h"

#include "logging/LogRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

QTimer* makeTimer(QObject* parent, const char* name, std::chrono::milliseconds period, bool singleShot)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(period);
    timer->setSingleShot(singleShot);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

// Enabling a timer that already runs leaves its period as it is.
void enable(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

LineSession::LineSession(std::unique_ptr<CommControl> comm, QObject* parent)
    : QObject(parent)
    , m_comm(std::move(comm))
    , m_timer2(makeTimer(this, "Timer2", kSilenceTickPeriod, false))
    , m_timer3(makeTimer(this, "Timer3", kSendWindowLength, true))
    , m_sender(new ConfigSender(*m_comm, [this] { return m_rx.flagRxByte == FrameAssembler::kSendWindowOpen; }, this))
{
    for (int field = 0; field < FrameField::Count; ++field)
        m_shown[field] = QLatin1String(initialText(field));
    connect(m_comm.get(), &CommControl::received, this, &LineSession::OnComm);
    connect(m_timer2, &QTimer::timeout, this, &LineSession::silenceTick);
    connect(m_timer3, &QTimer::timeout, this, &LineSession::sendWindowTick);
    connect(this, &LineSession::sendWindowOpened, m_sender, &ConfigSender::flush);
}

LineSession::~LineSession()
{
    // The control goes before the sender and timers it could still call into.
    disconnect(m_comm.get(), nullptr, this, nullptr);
}

void LineSession::OnComm(const QByteArray& run)
{
    QByteArrayView rest(run);
    while (!rest.isEmpty()) {
        qsizetype consumed = 0;
        const FrameAssembler::Outcome outcome = m_rx.receive(rest, consumed);
        rest = rest.sliced(consumed);
        if (outcome != FrameAssembler::Outcome::None)
            frameCompleted(outcome);
    }
}

void LineSession::frameCompleted(FrameAssembler::Outcome outcome)
{
    // The send window closes after a dropped frame too, or a command could go out at any
    // later moment while the node talks on the half-duplex line.
    enable(m_timer3);
    if (outcome == FrameAssembler::Outcome::Accepted) {
        enable(m_timer2);
        const QStringList& fields = m_rx.rxFields;
        // A frame without a field leaves its shown text as it was.
        for (qsizetype field = 0; field < FrameField::Count && field < fields.size(); ++field) {
            if (m_shown[std::size_t(field)] != fields.at(field))
                m_shown[std::size_t(field)] = fields.at(field);
        }
        m_fresh = true;
        m_sinceFrame.start();
        const qint64 now = m_clock->nowMsecs();
        Q_EMIT frameAccepted(fields, now);
        if (m_rx.lastFrameStarted() && fieldNumber(fields, FrameField::Node)) {
            m_sender->frameAccepted(fields);
            const bool real = m_census.heardFrame(fields, now);
            Q_EMIT nodeFrame(fields, now);
            if (real)
                Q_EMIT realNodeFrame(m_census.currentNode(), fields, now);
        } else {
            ++m_notFromNode;
        }
    }
    Q_EMIT sendWindowOpened();
}

QString LineSession::lineQuality() const
{
    return lineCountsText(lineCounts(m_rx, m_notFromNode), CountsStyle::Lines) + u'\n' +
           (m_sinceFrame.isValid() ? QStringLiteral("Last frame %1 s ago").arg(m_sinceFrame.elapsed() / 1000.0, 0, 'f', 1)
                                    : QStringLiteral("No frame received yet"));
}

void LineSession::clearShown()
{
    for (int field = 0; field < FrameField::Count; ++field)
        m_shown[field] = QLatin1String(idleText(field));
    m_fresh = false;
}

void LineSession::silenceTick()
{
    if (!m_rx.silenceTick())
        return;
    clearShown();
    Q_EMIT silenced();
}

void LineSession::sendWindowTick()
{
    m_rx.closeSendWindow();
    m_timer3->stop();
}

void LineSession::watchSilenceFromNow()
{
    m_rx.restartIdleCount();
    m_fresh = false;
    enable(m_timer2);
}

QString LineSession::logFileName() const { return QDir::toNativeSeparators(QFileInfo(m_logPath).absoluteFilePath()); }

LogHealth::Change LineSession::writeRecord()
{
    const QByteArray record = formatLogRecord(m_clock->now(), m_shown[FrameField::Node], m_shown[FrameField::Temperature],
                                              m_shown[FrameField::Humidity]);
    m_waitingBefore = m_backlog.waiting();
    return m_logHealth.recordResult(m_backlog.write(m_logPath, record));
}

QString LineSession::logHealthText(LogHealth::Change change) const
{
    if (change == LogHealth::Change::Recovered)
        return m_waitingBefore == 0 ? QStringLiteral("Writing %1 again").arg(logFileName())
                                    : QStringLiteral("Writing %1 again; the %2 records that waited are in it").arg(logFileName()).arg(m_waitingBefore);
    if (!m_logHealth.failing())
        return {};
    QString text = QStringLiteral("Cannot write %1: %2. %3 %4 waiting; written once the file can be written")
                       .arg(logFileName(), m_logHealth.reason())
                       .arg(m_backlog.waiting())
                       .arg(m_backlog.waiting() == 1 ? QStringLiteral("record is") : QStringLiteral("records are"));
    if (m_backlog.dropped() > 0)
        text += QStringLiteral(" (the oldest %1 dropped: a day's worth waits at most)").arg(m_backlog.dropped());
    return text;
}

std::optional<LineSession::FolderRefusal> LineSession::folderRefusal(LogHealth::Change change)
{
    if (change != LogHealth::Change::FailureStarted || m_folderRefusalSaid || QFileInfo::exists(m_logPath))
        return std::nullopt;
    m_folderRefusalSaid = true;
    const QString folder = QDir::toNativeSeparators(QFileInfo(logFileName()).absolutePath());
    return FolderRefusal{QStringLiteral("data.txt cannot be written in %1: %2.").arg(folder, m_logHealth.reason()),
                         writableFolderAdvice() +
                             QStringLiteral("\n\nMeanwhile the records wait, up to a day's worth, and are written as soon as the file can be.")};
}
