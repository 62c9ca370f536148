// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Makes a file refuse writes, for root too: permission bits do not stop root, so as root
// the file is also made immutable.

#include <QFile>
#include <QProcess>
#include <QString>

#include "platform/TestProcess.h"

inline bool makeReadOnly(const QString& path)
{
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther))
        return false;
    if (!isSuperUser())
        return true;
    return QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
}

inline void makeWritable(const QString& path)
{
    if (isSuperUser())
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
