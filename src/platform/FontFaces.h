// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The faces of this system that stand in for the families the windows name ("MS Sans
// Serif", "MS Serif", "Times New Roman"), most wanted first; a later face supplies the
// glyphs an earlier one lacks (Thai).
QList<std::pair<QString, QStringList>> fontSubstitutions();


// How glyphs are fitted to the pixel grid. Where the system's default fits advances to
// whole pixels, text grows wider than the layouts allow: whole-pixel hinting is turned off.
QFont::HintingPreference fontHinting();
