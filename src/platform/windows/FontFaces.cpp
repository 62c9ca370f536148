// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FontFaces.h"

QList<std::pair<QString, QStringList>> fontSubstitutions()
{
    // "MS Sans Serif" and "MS Serif" are bitmap faces; their outline successors stand in.
    // Thai captions take their glyphs from Tahoma or Leelawadee UI. Under Wine, which has
    // none of these, the host's Liberation faces and Norasi serve as on Linux.
    return {
        {QStringLiteral("MS Sans Serif"),
         {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"), QStringLiteral("Leelawadee UI"), QStringLiteral("Liberation Sans"),
          QStringLiteral("Norasi")}},
        {QStringLiteral("MS Serif"), {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"), QStringLiteral("Tahoma")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif"), QStringLiteral("Tahoma")}},
    };
}

// DirectWrite's default measures in whole pixels; natural measuring keeps the widths
// the layouts were made for.
QFont::HintingPreference fontHinting() { return QFont::PreferNoHinting; }
