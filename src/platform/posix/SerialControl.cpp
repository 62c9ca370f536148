// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialControl.h"

#include "serial/ComName.h"

#include "platform/DeviceAccess.h"

namespace {

CommFailure inUse(const QString& path)
{
    return {CommError::DeviceUnavailable, QStringLiteral("%1 is in use by another program").arg(path)};
}

} // namespace

CommFailure deviceUnavailable(const QString& path)
{
    if (!mayReadWrite(path))
        return {CommError::DeviceUnavailable, accessAdvice(path)};
    return inUse(path);
}

SerialControl::SerialControl(const PortTable& table, QObject* parent)
    : CommControl(parent), m_table(table)
{
    setObjectName(QStringLiteral("MSComm1"));
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::deliverReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialControl::onError);
}

SerialControl::~SerialControl()
{
    m_port.close();
}

CommResult SerialControl::setSettings(const QString& settings)
{
    const auto parsed = parseLineSettings(settings);
    if (const auto* failure = std::get_if<CommFailure>(&parsed))
        return *failure;
    m_line = std::get<LineSettings>(parsed);
    return std::nullopt;
}

CommResult SerialControl::setPortOpen(bool open)
{
    if (!open) {
        m_port.close();
        return std::nullopt;
    }
    if (m_port.isOpen())
        return CommFailure{CommError::AlreadyOpen, QStringLiteral("Port already open")};
    return this->open();
}

CommResult SerialControl::open()
{
    const auto port = m_commPort > 0 ? m_table.presentPort(m_commPort) : std::nullopt;
    if (!port)
        return noSuchPort(m_commPort);

    m_port.setPortName(port->path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return noSuchPort(m_commPort);
        case QSerialPort::PermissionError:
            return deviceUnavailable(port->path);
        case QSerialPort::OpenError:
            return CommFailure{CommError::AlreadyOpen, QStringLiteral("Port already open")};
        default:
            return CommFailure{CommError::DeviceUnavailable,
                               QStringLiteral("%1 cannot be opened: %2").arg(port->path, reason)};
        }
    }
    const QSerialPort::Parity parity = m_line.parity == LineSettings::Parity::Even  ? QSerialPort::EvenParity
                                       : m_line.parity == LineSettings::Parity::Odd ? QSerialPort::OddParity
                                                                                    : QSerialPort::NoParity;
    const bool configured = m_port.setBaudRate(m_line.baudRate) && m_port.setDataBits(static_cast<QSerialPort::DataBits>(m_line.dataBits)) &&
                            m_port.setParity(parity) &&
                            m_port.setStopBits(m_line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
                            m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString reason = m_port.errorString();
        m_port.close();
        m_port.clearError();
        return CommFailure{CommError::DeviceUnavailable,
                           QStringLiteral("%1 is not a usable serial device: %2").arg(port->path, reason)};
    }
    // Another program that holds the device's advisory lock reads from it too; two readers
    // would split the stream between them.
    if (heldByAnother(m_port.handle())) {
        m_port.close();
        return inUse(port->path);
    }
    // Bytes that waited in the device from before the open belong to nobody.
    m_port.clear();
    m_received.clear();
    return std::nullopt;
}

CommResult SerialControl::setOutput(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return CommFailure{CommError::PortClosed, QStringLiteral("Operation valid only when the port is open")};
    if (m_port.write(bytes) != bytes.size())
        return CommFailure{CommError::DeviceUnavailable, m_port.errorString()};
    // Hand the bytes to the device now rather than at the next turn of the event loop:
    // the send window after a status frame is short.
    m_port.flush();
    return std::nullopt;
}

void SerialControl::deliverReceived()
{
    m_received.resize(m_port.bytesAvailable());
    m_received.resize(qMax<qint64>(0, m_port.read(m_received.data(), m_received.size())));
    if (!m_received.isEmpty())
        Q_EMIT received(m_received);
}

void SerialControl::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    // After a hang-up the port would stay open and report errors in a tight loop; closing
    // it here lets the next open find out whether the device is still there.
    const QString reason = m_port.errorString();
    if (m_port.isOpen()) {
        m_port.close();
        m_port.clearError();
        Q_EMIT deviceLost(reason);
    }
}
