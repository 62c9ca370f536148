// SPDX-License-Identifier: GPL-3.0-or-later
#include "WinSerialControl.h"

#include "SystemMessage.h"
#include "serial/ComName.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {

constexpr qsizetype kReadSize = 4096;

} // namespace

// One overlapped read and its event, and a second event for writes.
struct WinSerialControl::Io {
    OVERLAPPED read{};
    OVERLAPPED write{};
    Io()
    {
        read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Io()
    {
        CloseHandle(read.hEvent);
        CloseHandle(write.hEvent);
    }
};

CommFailure openFailure(unsigned long error, int number)
{
    const QString name = comName(number);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return noSuchPort(number);
    case ERROR_SHARING_VIOLATION:
        return CommFailure{CommError::DeviceUnavailable, QStringLiteral("%1 is in use by another program").arg(name)};
    case ERROR_ACCESS_DENIED:
        // Windows answers "access denied" for a COM port another program has open.
        return CommFailure{CommError::DeviceUnavailable,
                           QStringLiteral("%1: access denied; it is in use by another program, or this user may not open it").arg(name)};
    default:
        return CommFailure{CommError::DeviceUnavailable, QStringLiteral("%1 cannot be opened: %2").arg(name, systemMessage(error))};
    }
}

WinSerialControl::WinSerialControl(const PortTable& table, QObject* parent) : CommControl(parent), m_table(table)
{
    setObjectName(QStringLiteral("MSComm1"));
    m_deviceCheck.setInterval(std::chrono::seconds(1));
    connect(&m_deviceCheck, &QTimer::timeout, this, &WinSerialControl::checkDevice);
}

WinSerialControl::~WinSerialControl() { close(); }

CommResult WinSerialControl::setSettings(const QString& settings)
{
    const auto parsed = parseLineSettings(settings);
    if (const auto* failure = std::get_if<CommFailure>(&parsed))
        return *failure;
    m_line = std::get<LineSettings>(parsed);
    return std::nullopt;
}

CommResult WinSerialControl::setPortOpen(bool open)
{
    if (!open) {
        close();
        return std::nullopt;
    }
    if (m_handle)
        return CommFailure{CommError::AlreadyOpen, QStringLiteral("Port already open")};
    return this->open();
}

CommResult WinSerialControl::open()
{
    const auto port = m_commPort > 0 && m_commPort <= kLastComNumber ? m_table.presentPort(m_commPort) : std::nullopt;
    if (!port)
        return noSuchPort(m_commPort);
    const QString name = comName(m_commPort);
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(port->path.utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return openFailure(GetLastError(), m_commPort);
    // A COM name can outlive its device (Wine keeps a port whose other end went away, and
    // opens it): a port that cannot report its state has no device behind it.
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle, &errors, &status)) {
        const QString reason = systemMessage(GetLastError());
        CloseHandle(handle);
        return CommFailure{CommError::NoSuchPort, QStringLiteral("No device is present for %1 (%2)").arg(name, reason)};
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    bool configured = GetCommState(handle, &dcb);
    if (configured) {
        dcb.BaudRate = DWORD(m_line.baudRate);
        dcb.ByteSize = BYTE(m_line.dataBits);
        dcb.Parity = m_line.parity == LineSettings::Parity::Even ? EVENPARITY : m_line.parity == LineSettings::Parity::Odd ? ODDPARITY : NOPARITY;
        dcb.StopBits = m_line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = m_line.parity != LineSettings::Parity::None;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fAbortOnError = FALSE;
        configured = SetCommState(handle, &dcb);
    }
    // A read waits for the first character and returns once the line pauses for a
    // millisecond: a frame arrives as one run. (The "return at once" setting of
    // MAXDWORD intervals is not kept by every serial driver, Wine's among them.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    configured = configured && SetCommTimeouts(handle, &timeouts);
    if (!configured) {
        const QString reason = systemMessage(GetLastError());
        CloseHandle(handle);
        return CommFailure{CommError::DeviceUnavailable, QStringLiteral("%1 is not a usable serial device: %2").arg(name, reason)};
    }
    // Characters that waited in the device from before the open belong to nobody.
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_handle = handle;
    m_io = std::make_unique<Io>();
    m_readNotifier = new QWinEventNotifier(m_io->read.hEvent, this);
    connect(m_readNotifier, &QWinEventNotifier::activated, this, &WinSerialControl::readDone);
    startRead();
    m_deviceCheck.start();
    return std::nullopt;
}

void WinSerialControl::close()
{
    m_deviceCheck.stop();
    if (!m_handle)
        return;
    delete std::exchange(m_readNotifier, nullptr);
    CancelIoEx(m_handle, nullptr);
    // The read ends with the cancel; a device that went away may never say so (Wine's
    // serial driver, for one), so the wait is bounded. What a read still pending could
    // write into is then kept, never freed, rather than the window freezing.
    const bool ended = WaitForSingleObject(m_io->read.hEvent, 500) == WAIT_OBJECT_0;
    CloseHandle(std::exchange(m_handle, nullptr));
    if (ended) {
        m_io.reset();
    } else {
        (void)m_io.release();
        (void)new QByteArray(std::exchange(m_buffer, {}));
    }
}

void WinSerialControl::startRead()
{
    m_buffer.resize(kReadSize);
    ResetEvent(m_io->read.hEvent);
    // Completed at once or later, the read sets its event; the notifier takes it from there.
    // A read stays pending while the line is silent; closing the port cancels it.
    if (!ReadFile(m_handle, m_buffer.data(), DWORD(m_buffer.size()), nullptr, &m_io->read) && GetLastError() != ERROR_IO_PENDING)
        lose(systemMessage(GetLastError()));
}

void WinSerialControl::readDone()
{
    if (!m_handle)
        return;
    DWORD count = 0;
    if (!GetOverlappedResult(m_handle, &m_io->read, &count, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        // An unplugged USB adapter ends its reads with an error: the link is lost.
        lose(systemMessage(error));
        return;
    }
    if (count > 0) {
        m_buffer.resize(qsizetype(count));
        Q_EMIT received(m_buffer);
    }
    if (m_handle)
        startRead();
}

void WinSerialControl::checkDevice()
{
    DWORD errors = 0;
    COMSTAT status{};
    // An unplugged adapter, or a port whose other end went away, answers with an error.
    if (m_handle && !ClearCommError(m_handle, &errors, &status))
        lose(systemMessage(GetLastError()));
}

void WinSerialControl::lose(const QString& reason)
{
    close();
    Q_EMIT deviceLost(reason);
}

CommResult WinSerialControl::setOutput(const QByteArray& bytes)
{
    if (!m_handle)
        return CommFailure{CommError::PortClosed, QStringLiteral("Operation valid only when the port is open")};
    ResetEvent(m_io->write.hEvent);
    DWORD written = 0;
    // A character at 115200 baud takes under 0.1 ms: the write is waited for here.
    bool ok = WriteFile(m_handle, bytes.constData(), DWORD(bytes.size()), nullptr, &m_io->write);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = true;
    if (ok)
        ok = GetOverlappedResult(m_handle, &m_io->write, &written, TRUE);
    if (!ok || written != DWORD(bytes.size()))
        return CommFailure{CommError::DeviceUnavailable, ok ? QStringLiteral("the write was cut short") : systemMessage(GetLastError())};
    return std::nullopt;
}
