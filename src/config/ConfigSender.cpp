#include "ConfigSender.h"

#include "serial/CommControl.h"

ConfigSender::ConfigSender(CommControl& comm, WindowOpen sendWindowOpen, QObject* parent)
    : QObject(parent), m_comm(comm), m_sendWindowOpen(std::move(sendWindowOpen))
{
}

QByteArray ConfigSender::submit(const ConfigInputs& inputs)
{
    QByteArray command = buildConfigCommand(inputs, m_sequence.next());
    m_queue.enqueue(command);
    if (m_sendWindowOpen && m_sendWindowOpen())
        flush();
    return command;
}

void ConfigSender::flush()
{
    if (m_queue.flush([this](const QByteArray& command) { SendText(command); }) > 0)
        Q_EMIT commandsSent();
}

void ConfigSender::SendText(const QByteArray& text)
{
    for (char c : text) {
        if (m_comm.portOpen())
            m_comm.setOutput(QByteArray(1, c));
    }
}
