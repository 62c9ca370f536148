// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontFaces.h"

QList<std::pair<QString, QStringList>> fontSubstitutions()
{
    // Thai captions take their glyphs from Norasi: of the Thai faces packaged in Debian it
    // is the narrowest whose marks above and below stay inside the captions' boxes at
    // 12 pt; a slight horizontal condensing ("fontStretch" in the .ui files) does the rest.
    return {
        {QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("Norasi")}},
        {QStringLiteral("MS Serif"), {QStringLiteral("Liberation Serif")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")}},
    };
}

// FreeType keeps fractional advances by default.
QFont::HintingPreference fontHinting() { return QFont::PreferDefaultHinting; }
