// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileAppend.h"

#include "SystemMessage.h"

#include <QDir>

#include <windows.h>

std::optional<QString> appendWhole(const QString& path, const QByteArray& bytes)
{
    const QString native = QDir::toNativeSeparators(path);
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A spreadsheet that has the log open holds it this way.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return QStringLiteral("it is open in another program that lets no one else write it");
        return systemMessage(error);
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return QStringLiteral("not a regular file");
    }
    LARGE_INTEGER end{};
    std::optional<QString> failure;
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END)) {
        failure = systemMessage(GetLastError());
    } else {
        DWORD written = 0;
        const bool wrote = WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
        if (!wrote || written != DWORD(bytes.size())) {
            failure = !wrote ? systemMessage(GetLastError()) : QStringLiteral("the disk took only part of the record");
            // A part of a record is no record: the file goes back to its old end.
            SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
        }
    }
    if (!CloseHandle(file) && !failure)
        failure = systemMessage(GetLastError());
    return failure;
}
