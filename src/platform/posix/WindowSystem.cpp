// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

// X11 and Wayland need nothing chosen here.
void chooseWindowSystemOptions() {}

QString writableFolderAdvice()
{
    return QStringLiteral("data.txt is written in the folder the program starts in: start zeq4810pc from a folder you can write to.");
}

QString startMenuWorkFolder() { return {}; }
