#pragma once

// A pseudo-terminal pair for tests: the test plays the node on the master side, the
// program opens the slave through a link path, as it would a mapped serial port.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        int slave = -1;
        if (::openpty(&m_master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(::ttyname(slave));
        // Raw from the start, so nothing written before the program opens it is echoed.
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_linkPath = m_dir.path() + QStringLiteral("/node");
        QFile::link(m_slavePath, m_linkPath);
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return m_master >= 0; }
    // The path the program is given: a link to the slave.
    const QString& path() const { return m_linkPath; }
    const QString& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all bytes to the line, waiting while the pseudo-terminal's buffer is full.
    bool write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else {
                return false;
            }
        }
        return true;
    }

    // What the program has written so far, without waiting.
    QByteArray readAvailable()
    {
        QByteArray out;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            out.append(buffer, n);
        }
        return out;
    }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    QTemporaryDir m_dir;
    int m_master = -1;
    QString m_slavePath;
    QString m_linkPath;
};
