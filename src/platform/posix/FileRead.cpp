// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileRead.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::variant<std::unique_ptr<QFile>, QString> openRegularFile(const QString& path)
{
    // Not blocking at the open: a FIFO without a writer would wait there for one.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool folder = S_ISDIR(status.st_mode);
        ::close(fd);
        return folder ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file (a FIFO, a device or a terminal)");
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file->errorString();
    }
    return file;
}
