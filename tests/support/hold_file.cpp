// SPDX-License-Identifier: GPL-3.0-or-later
// hold_file PATH SECONDS: holds a file open for SECONDS with no sharing at all, as a
// spreadsheet holds a log it has open; says "held" once it holds it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 3)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10) * 1000));
    CloseHandle(file);
    return 0;
}
