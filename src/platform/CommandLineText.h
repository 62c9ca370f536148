// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Shows what the command line asked for (help, the version) or why it cannot be taken,
// where the user who gave it will read it: on the standard output or error when they lead
// somewhere (a terminal, a file, a pipe), else in the console the program was started
// from, else, for a window program started from an icon, in a message box.
void showCommandLineText(const QString& text, bool error);
