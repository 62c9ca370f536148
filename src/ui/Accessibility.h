// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QLabel;
class QWidget;

// What a screen reader is told of the windows: each control named after the caption the
// user sees beside it (Thai where the caption is Thai), the caption linked to it as its
// label, an English description beside the name, a reading's value with its unit, a
// lamp's state. Nothing here changes what is drawn.

// Installs, once, the interfaces for readings, lamps, dialogs, hidden labels, the trend's
// window, its plots and its lines of text.
void installAccessibility();

// Names `control` after its caption (without a trailing "="), links the caption to it as
// its label, and describes it in English.
void nameAfterCaption(QWidget* control, QLabel* caption, const QString& description);

// A display field that shows a reading: named `name`, its value the text shown and `unit`
// ("25.3 °C"), read on demand so that a frame costs nothing here.
void describeReading(QLabel* reading, const QString& name, const QString& unit, const QString& description);

// A window that is a dialog in kind, though not modal.
void markAsDialog(QWidget* window);

// A control that shows nothing stays out of the accessibility tree.
void hideFromAccessibility(QWidget* widget);

// Tells a screen reader that `widget`'s name (the text it reads) changed. Qt passes the
// news on only while a screen reader listens; a watcher, where one is set, hears every
// announcement all the same (tests, under a platform without a screen reader). An empty
// watcher ends the watch.
void announceNameChange(QWidget* widget);
void watchAnnouncements(std::function<void(QWidget*)> watcher);
