// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DeviceAccess.h"

#include <QFile>

#include <cerrno>
#include <vector>

#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool inGroup(gid_t group)
{
    if (group == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(count > 0 ? count : 0));
    if (count <= 0 || ::getgroups(count, groups.data()) != count)
        return false;
    for (const gid_t g : groups) {
        if (g == group)
            return true;
    }
    return false;
}

} // namespace

bool mayReadWrite(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    mode_t wanted = S_IROTH | S_IWOTH;
    if (info.st_uid == ::geteuid())
        wanted = S_IRUSR | S_IWUSR;
    else if (inGroup(info.st_gid))
        wanted = S_IRGRP | S_IWGRP;
    return (info.st_mode & wanted) == wanted;
}

QString accessAdvice(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("Access to %1 is denied").arg(path);
    constexpr mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if ((info.st_mode & groupReadWrite) != groupReadWrite)
        return QStringLiteral("Access to %1 is denied, and no group may open it (mode %2); ask the "
                              "administrator to give it a group, for example with a udev rule")
            .arg(path)
            .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0'));
    const group* owner = ::getgrgid(info.st_gid);
    const QString name = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    return QStringLiteral("Access to %1 is denied; add your user to the %2 group "
                          "(sudo usermod -aG %2 $USER) and log in again")
        .arg(path, name);
}

bool heldByAnother(qintptr handle)
{
    return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}
