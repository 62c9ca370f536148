// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Chooses the window system's options before the application starts, unless the user
// chose them (QT_QPA_PLATFORM).
void chooseWindowSystemOptions();

// What to do when the folder the program starts in cannot take data.txt, for the user of
// this system.
QString writableFolderAdvice();
