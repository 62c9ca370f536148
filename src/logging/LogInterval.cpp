// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogInterval.h"

using namespace std::chrono_literals;

std::chrono::milliseconds logInterval(bool option1, bool option2, bool option3, bool option4)
{
    if (option1)
        return 1s;
    if (option2)
        return 5s;
    if (option3)
        return 30s;
    if (option4)
        return 1min;
    return 5s;
}
