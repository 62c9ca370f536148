// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminalPair.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

TerminalPair::TerminalPair(bool holdSlave)
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ttyname(m_slave));
    // Raw from the start, so nothing written before the program opens it is echoed.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (!holdSlave) {
        ::close(m_slave);
        m_slave = -1;
    }
}

TerminalPair::~TerminalPair() { close(); }

qint64 TerminalPair::writeSome(const QByteArray& bytes)
{
    if (m_master < 0)
        return -1;
    const ssize_t n = ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size()));
    return n < 0 && errno == EAGAIN ? 0 : n;
}

bool TerminalPair::writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = writeSome(bytes.sliced(done));
        if (n < 0)
            return false;
        if (n == 0) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
        done += n;
    }
    return true;
}

bool TerminalPair::waitReadable(int milliseconds)
{
    pollfd p{m_master, POLLIN, 0};
    return m_master >= 0 && ::poll(&p, 1, milliseconds) > 0;
}

QByteArray TerminalPair::readAvailable()
{
    QByteArray out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = m_master < 0 ? -1 : ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

void TerminalPair::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}
