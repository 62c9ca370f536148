// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowSystem.h"

// X11 and Wayland need nothing chosen here.
void chooseWindowSystemOptions() {}
