// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileAppend.h"

#include <QFile>

#include <cerrno>
#include <utility>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Holds back SIGXFSZ while a write runs, so that a write past the file-size limit fails
// with EFBIG instead of ending the program, and discards the signal that write raised.
class FileSizeSignalGuard {
public:
    FileSizeSignalGuard()
    {
        sigemptyset(&m_signal);
        sigaddset(&m_signal, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &m_signal, &m_previous);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGXFSZ) == 1;
    }
    ~FileSizeSignalGuard()
    {
        if (!m_wasPending) {
            const timespec noWait{};
            while (sigtimedwait(&m_signal, nullptr, &noWait) == SIGXFSZ) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    FileSizeSignalGuard(const FileSizeSignalGuard&) = delete;
    FileSizeSignalGuard& operator=(const FileSizeSignalGuard&) = delete;

private:
    sigset_t m_signal;
    sigset_t m_previous;
    bool m_wasPending = false;
};

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and returns the error of the close, 0 when it succeeded.
    int close()
    {
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

const QString kNotRegular = QStringLiteral("not a regular file");

} // namespace

std::optional<QString> appendWhole(const QString& path, const QByteArray& record)
{
    const QByteArray native = QFile::encodeName(path);
    // A FIFO, device or directory under the log's name is refused before it is opened:
    // opening a FIFO for writing would wait for a reader, on the window's thread.
    struct stat info {};
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return kNotRegular;
    // Non-blocking as well, in case the name was replaced by a FIFO since the check.
    Descriptor file(::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return errno == ENXIO ? kNotRegular : systemReason(errno);
    if (::fstat(file.get(), &info) != 0)
        return systemReason(errno);
    if (!S_ISREG(info.st_mode))
        return kNotRegular;

    const off_t oldEnd = info.st_size;
    qsizetype written = 0;
    int error = 0;
    {
        const FileSizeSignalGuard guard;
        while (written < record.size()) {
            const ssize_t n = ::write(file.get(), record.constData() + written, static_cast<size_t>(record.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : ENOSPC;
                break;
            }
            written += n;
        }
    }
    if (error == 0) {
        if (const int closeError = file.close())
            return systemReason(closeError);
        return std::nullopt;
    }
    if (written == 0)
        return systemReason(error);
    // Part of the record went out: cut the file back so no broken line stays in front
    // of the next record.
    const bool cutBack = ::ftruncate(file.get(), oldEnd) == 0;
    return QStringLiteral("%1 (%2 of %3 bytes were written, %4)")
        .arg(systemReason(error))
        .arg(written)
        .arg(record.size())
        .arg(cutBack ? QStringLiteral("then cut back") : QStringLiteral("and could not be cut back: ") + systemReason(errno));
}
