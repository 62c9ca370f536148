#include "ConfigSender.h"

#include "serial/CommControl.h"

ConfigSender::ConfigSender(CommControl& comm, WindowOpen sendWindowOpen, QObject* parent)
    : QObject(parent), m_comm(comm), m_sendWindowOpen(std::move(sendWindowOpen))
{
}

QByteArray ConfigSender::submit(const ConfigInputs& inputs)
{
    const std::uint8_t sequence = m_sequence.next();
    QByteArray command = buildConfigCommand(inputs, sequence);
    m_queue.enqueue(command);
    m_waiting.append({sequence, inputs});
    m_confirmation.queued(m_queue.size());
    Q_EMIT statusChanged();
    if (m_sendWindowOpen && m_sendWindowOpen())
        flush();
    return command;
}

void ConfigSender::flush()
{
    if (m_queue.flush([this](const QByteArray& command) { SendText(command); }) == 0)
        return;
    const QTime now = QTime::currentTime();
    for (const auto& [sequence, inputs] : std::as_const(m_waiting))
        m_confirmation.sent(sequence, inputs, now);
    m_waiting.clear();
    Q_EMIT commandsSent();
    Q_EMIT statusChanged();
}

void ConfigSender::cancel()
{
    if (m_queue.isEmpty())
        return;
    m_queue.clear();
    m_waiting.clear();
    m_confirmation.cancelled();
    Q_EMIT statusChanged();
}

void ConfigSender::frameAccepted(const QStringList& fields)
{
    const CommandConfirmation::State before = m_confirmation.state();
    m_confirmation.frameAccepted(fields);
    if (m_confirmation.state() != before)
        Q_EMIT statusChanged();
}

QString ConfigSender::statusText() const { return m_confirmation.text(m_comm.portOpen()); }

void ConfigSender::SendText(const QByteArray& text)
{
    for (char c : text) {
        if (m_comm.portOpen())
            m_comm.setOutput(QByteArray(1, c));
    }
}
