// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

#include <QStandardPaths>
#include <QtGlobal>

// DirectWrite places glyphs at fractional positions, as on Linux: captions condensed by
// "fontStretch" keep their letters evenly spaced, where GDI's whole-pixel advances leave
// gaps in "ON-1" and "CC-00".
void chooseWindowSystemOptions()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=directwrite");
}

QString writableFolderAdvice()
{
    return QStringLiteral("data.txt is written in the folder the program starts in: start ZEQ4810PC-RS485 from its Start-menu entry, "
                          "which works in Documents\\ZEQ4810PC-RS485, or from a folder you can write to.");
}

QString startMenuWorkFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QString() : documents + QStringLiteral("/ZEQ4810PC-RS485");
}
