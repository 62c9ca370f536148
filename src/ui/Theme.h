// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// System colour numbers used by the windows' descriptions.
namespace SystemColour {
inline constexpr int ActiveTitleBar = 2;
inline constexpr int WindowText = 8;
inline constexpr int ButtonFace = 15;
inline constexpr int ButtonText = 18;
inline constexpr int ButtonHighlight = 20;
} // namespace SystemColour

// The desktop theme's colour for a system colour number, from the application palette.
QColor systemColour(int number, const QPalette& palette);
QColor systemColour(int number);

// Applies the look a window's description asks for through dynamic properties:
// "backColor" and "foreColor" (system colour numbers), "pointSizeF" (fractional point
// sizes, which a .ui font cannot hold) and "fontStretch" (a percentage of normal width). Runs over the widget and all its descendants.
void applyDesignLook(QWidget* root);

// Sets a widget's background to a colour, for both plain widgets and buttons.
void setBackground(QWidget* widget, const QColor& colour);

// Sets a widget's text colour; a widget that already has it is left alone.
void setForeground(QWidget* widget, const QColor& colour);

// The contrast ratio of two colours as WCAG defines it: 1 (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// `preferred` when it reads on `background` (a contrast of at least `least`: 4.5 for text,
// 3 for large text), else black or white, whichever reads better: text on a colour of its
// own stays readable under any palette, and keeps the palette's colour wherever that reads.
QColor readableOn(const QColor& background, const QColor& preferred, double least = 4.5);
// The colour that says something failed: the system's red, as the lost link shows it; a
// light red on a dark background, where that red would not read.
QColor failureColour(const QColor& background);
// A face of a fixed colour with the palette's button text on it, or black or white where
// that would not read.
void setFace(QWidget* widget, const QColor& colour);

// Maps the fonts the windows are described in to fonts the system has.
void installFontSubstitutions();

// The font substitutions and the application style the windows are drawn in.
void installClassicLook();
