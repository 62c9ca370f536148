// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

#include <QtGlobal>

// DirectWrite places glyphs at fractional positions, as on Linux: captions condensed by
// "fontStretch" keep their letters evenly spaced, where GDI's whole-pixel advances leave
// gaps in "ON-1" and "CC-00".
void chooseWindowSystemOptions()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=directwrite");
}
