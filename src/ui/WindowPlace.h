// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QRect>

class QWidget;

// Screen places of the windows' client areas, in pixels (twips / 15).
inline constexpr QPoint kForm1Place(11, 54);
inline constexpr QSize kForm1ClientSize(451, 422);
inline constexpr QRect kFrmSetPlace(501, 64, 382, 322);
inline constexpr QRect kFrmAboutPlace(140, 240, 310, 130);
inline constexpr QRect kTrendWindowPlace(250, 100, 720, 480);

// Puts a top-level window's client area at its place, moved just enough to lie wholly on
// the screen's available area when that screen is too small or scaled.
void placeOnScreen(QWidget* window, const QRect& clientPlace);

// The window's Show: visible, in front, with the focus.
void showInFront(QWidget* window);

// The Show of a window that is made on first use: made and put at its place the first
// time, then brought to the front.
template <typename Window, typename Make>
void showOnce(QPointer<Window>& window, const QRect& clientPlace, Make make)
{
    if (!window) {
        window = make();
        placeOnScreen(window, clientPlace);
    }
    showInFront(window);
}

// The place moved to lie wholly inside the area; a place larger than the area keeps its
// top-left corner inside it.
QRect fitInside(const QRect& place, const QRect& area);
