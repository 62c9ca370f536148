// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLineText.h"

#include <windows.h>

namespace {

// The standard handle when it leads somewhere: redirected to a file or a pipe, or, under
// Wine, the terminal the program was started from.
HANDLE usableStandardHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN ? handle : nullptr;
}

} // namespace

void showCommandLineText(const QString& text, bool error)
{
    // A window program has no console of its own; started from cmd.exe or PowerShell it
    // can write to theirs.
    if (const HANDLE handle = usableStandardHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE)) {
        const QByteArray bytes = text.toUtf8();
        DWORD written = 0;
        WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            // The prompt came back when the program started: the text begins on a line of its own.
            const QString shown = QStringLiteral("\r\n") + QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            DWORD written = 0;
            WriteConsoleW(console, shown.utf16(), DWORD(shown.size()), &written, nullptr);
            CloseHandle(console);
            FreeConsole();
            return;
        }
        FreeConsole();
    }
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.trimmed().utf16()), L"zeq4810pc",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}
