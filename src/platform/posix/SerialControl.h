// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/CommControl.h"
#include "serial/PortTable.h"

#include <QByteArray>
#include <QSerialPort>


// Why a device that refused to open is unavailable: QSerialPort reports a busy and a
// forbidden device alike, and the device's permissions tell the two apart.
CommFailure deviceUnavailable(const QString& path);

// The serial control over QSerialPort. COM numbers resolve to devices through the port
// table at every open, so a device that has gone answers NoSuchPort.
class SerialControl : public CommControl {
    Q_OBJECT
public:
    explicit SerialControl(const PortTable& table, QObject* parent = nullptr);
    ~SerialControl() override;

    void setCommPort(int portNumber) override { m_commPort = portNumber; }
    int commPort() const override { return m_commPort; }
    CommResult setSettings(const QString& settings) override;

    bool portOpen() const override { return m_port.isOpen(); }
    CommResult setPortOpen(bool open) override;

    CommResult setOutput(const QByteArray& bytes) override;

    // The device path of the open port, empty when closed.
    QString devicePath() const { return m_port.isOpen() ? m_port.portName() : QString(); }

private:
    CommResult open();
    void deliverReceived();
    void onError(QSerialPort::SerialPortError error);

    const PortTable& m_table;
    QSerialPort m_port;
    int m_commPort = 1;
    LineSettings m_line;
    // The last read; it keeps its storage, so reading allocates nothing.
    QByteArray m_received;
};
