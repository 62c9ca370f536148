// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLineText.h"

#include <cstdio>

void showCommandLineText(const QString& text, bool error)
{
    std::FILE* stream = error ? stderr : stdout;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
