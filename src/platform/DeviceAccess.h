// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the system says about opening a serial device.

// Whether this user's class (owner, group or others) has read and write permission in
// the device's mode. Privileges are not counted: the mode is what the advice is about.
bool mayReadWrite(const QString& path);

// Why a device may not be opened and what to do: the group that may open it, from its
// owner and mode, or that no group may.
QString accessAdvice(const QString& path);

// Takes the device's exclusive advisory lock for this open handle; true when another
// program holds it (and so reads the line too).
bool heldByAnother(qintptr handle);
