// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Chooses the window system's options before the application starts, unless the user
// chose them (QT_QPA_PLATFORM).
void chooseWindowSystemOptions();
