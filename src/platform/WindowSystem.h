// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Chooses the window system's options before the application starts, unless the user
// chose them (QT_QPA_PLATFORM).
void chooseWindowSystemOptions();

// What to do when the folder the program starts in cannot take data.txt, for the user of
// this system.
QString writableFolderAdvice();

// The folder the program works in when its Start-menu entry starts it, where the system
// installs it under a folder users cannot write ("Documents\ZEQ4810PC-RS485" on Windows,
// with --work-in-documents); empty where it works in the folder it is started in.
QString startMenuWorkFolder();
