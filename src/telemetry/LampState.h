// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// A lamp is on when its field reads as a number equal to 1. A missing field or a text
// that is not a number fails the test, and a failed test switches the lamp on.
bool lampIsOn(const QStringList& fields, int frameIndex);
