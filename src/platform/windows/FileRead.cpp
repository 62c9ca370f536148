// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileRead.h"

#include "SystemMessage.h"

#include <QDir>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

std::variant<std::unique_ptr<QFile>, QString> openRegularFile(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    // Others may go on writing the file meanwhile, as the program's own log does.
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return systemMessage(GetLastError());
    BY_HANDLE_FILE_INFORMATION information{};
    const bool folder = GetFileInformationByHandle(handle, &information) && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (folder || GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return folder ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file (a pipe or a device)");
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return QStringLiteral("cannot open it");
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return file->errorString();
    }
    return file;
}
