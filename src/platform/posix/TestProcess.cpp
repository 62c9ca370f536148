// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TestProcess.h"

#include <QFile>

#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

bool isSuperUser() { return ::geteuid() == 0; }

QString ownGroupName()
{
    const group* own = ::getgrgid(::getegid());
    return own ? QString::fromLocal8Bit(own->gr_name) : QString::number(::getegid());
}

bool makeFifo(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; }

QString runWithFileSizeLimit(long long limitBytes, const std::function<QString()>& work)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const rlimit small{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const QByteArray result = work().toUtf8();
        (void)!::write(channel[1], result.constData(), static_cast<size_t>(result.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[256];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return QStringLiteral("<killed by signal %1>").arg(WTERMSIG(status));
    return QString::fromUtf8(result);
}

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}
