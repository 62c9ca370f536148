// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The system's own text for a Win32 error code, without its closing full stop.
QString systemMessage(unsigned long error);
