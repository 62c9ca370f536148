// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// The log period from the four interval options ("1sec", "5sec", "30sec", "1min"); the
// first option set decides, and with none set the period is 5 s.
std::chrono::milliseconds logInterval(bool option1, bool option2, bool option3, bool option4);

// The period the log timer has before the start-up selection replaces it.
inline constexpr std::chrono::milliseconds kDesignLogInterval{10000};
