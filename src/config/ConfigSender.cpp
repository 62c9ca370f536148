// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigSender.h"

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
    // Runs at every frame; nearly always there is nothing to send.
    if (m_queue.isEmpty())
        return;
    QList<CommResult> results;
    if (m_queue.flush([this, &results](const QByteArray& command) { results.append(SendText(command)); }) == 0)
        return;
    const QTime now = QTime::currentTime();
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        const auto& [sequence, inputs] = m_waiting.at(i);
        if (const CommResult& failure = results.value(i))
            m_confirmation.notSent(sequence, failure->description, now);
        else
            m_confirmation.sent(sequence, inputs, now);
    }
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

CommResult ConfigSender::SendText(const QByteArray& text)
{
    CommResult firstFailure;
    for (char c : text) {
        // A port that closes partway skips the rest; each character is tried on its own.
        CommResult result = m_comm.portOpen() ? m_comm.setOutput(QByteArray(1, c))
                                              : CommFailure{CommError::PortClosed, QStringLiteral("the port is not open")};
        if (result && !firstFailure)
            firstFailure = std::move(result);
    }
    return firstFailure;
}
