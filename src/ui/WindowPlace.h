#pragma once

#include <QRect>

class QWidget;

// Puts a top-level window's client area at its place, moved just enough to lie wholly on
// the screen's available area when that screen is too small or scaled.
void placeOnScreen(QWidget* window, const QRect& clientPlace);

// The window's Show: visible, in front, with the focus.
void showInFront(QWidget* window);

// The place moved to lie wholly inside the area; a place larger than the area keeps its
// top-left corner inside it.
QRect fitInside(const QRect& place, const QRect& area);
