// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/CommControl.h"
#include "serial/PortTable.h"

#include <QByteArray>
#include <QTimer>

#include <memory>

class QWinEventNotifier;

// Why the COM port `name` could not be opened, from the system's error code, in words a
// user can act on.
CommFailure openFailure(unsigned long error, int number);

// The serial control on the Win32 API: the COM number's device opened for overlapped
// I/O, reads watched on the event loop, each completed read handed on as one run.
class WinSerialControl : public CommControl {
    Q_OBJECT
public:
    explicit WinSerialControl(const PortTable& table, QObject* parent = nullptr);
    ~WinSerialControl() override;

    void setCommPort(int portNumber) override { m_commPort = portNumber; }
    int commPort() const override { return m_commPort; }
    CommResult setSettings(const QString& settings) override;
    bool portOpen() const override { return m_handle != nullptr; }
    CommResult setPortOpen(bool open) override;
    CommResult setOutput(const QByteArray& bytes) override;

private:
    struct Io;
    CommResult open();
    void close();
    void startRead();
    void readDone();
    void lose(const QString& reason);
    void checkDevice();

    const PortTable& m_table;
    int m_commPort = 1;
    LineSettings m_line;
    void* m_handle = nullptr;
    std::unique_ptr<Io> m_io;
    QWinEventNotifier* m_readNotifier = nullptr;
    // Asks the device once a second whether it is still there: a read pending on a port
    // whose device went away does not always end with an error.
    QTimer m_deviceCheck;
    QByteArray m_buffer;
};
