#pragma once

#include "CommControl.h"
#include "PortTable.h"

#include <QByteArray>
#include <QSerialPort>

#include <functional>

// Why a device may not be opened and what to do: the group that may open it, from its
// owner and mode, or that no group may.
QString accessAdvice(const QString& path);

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
    void setRThreshold(int threshold) override { m_rThreshold = threshold; }
    void setInputLen(int length) override { m_inputLen = length; }

    bool portOpen() const override { return m_port.isOpen(); }
    CommResult setPortOpen(bool open) override;

    std::optional<char> input() override;
    CommResult setOutput(const QByteArray& bytes) override;
    int commEvent() const override { return m_commEvent; }

    // Hands each read from the device to `receiver` as one run of characters instead of
    // raising OnComm for every character, for a reader that takes runs.
    void setRunReceiver(std::function<void(QByteArrayView)> receiver) { m_runReceiver = std::move(receiver); }

    // The device path of the open port, empty when closed.
    QString devicePath() const { return m_port.isOpen() ? m_port.portName() : QString(); }

private:
    CommResult open();
    void deliverReceived();
    void onError(QSerialPort::SerialPortError error);

    const PortTable& m_table;
    QSerialPort m_port;
    int m_commPort = 1;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    int m_commEvent = 0;
    qint32 m_baudRate = 115200;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    // Bytes read from the device and not yet taken by input().
    QByteArray m_received;
    qsizetype m_readPos = 0;
    bool m_eventCharacterWaiting = false;
    std::function<void(QByteArrayView)> m_runReceiver;
};
