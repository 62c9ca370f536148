// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect fitInside(const QRect& place, const QRect& area)
{
    QRect fitted = place;
    if (fitted.right() > area.right())
        fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom())
        fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left())
        fitted.moveLeft(area.left());
    if (fitted.top() < area.top())
        fitted.moveTop(area.top());
    return fitted;
}

void placeOnScreen(QWidget* window, const QRect& clientPlace)
{
    QScreen* screen = QGuiApplication::screenAt(clientPlace.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    window->setGeometry(screen ? fitInside(clientPlace, screen->availableGeometry()) : clientPlace);
}

void showInFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
