// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The limits of one number's input, and what it sets in English.
struct InputLimits {
    int maxLength = 0;
    double maxValue = 0;
    const char* description = "";
};

// Whether a text may stay in an input after a change: not longer than the length limit,
// decimal digits with an optional leading "-" and at most one ".", and a value not above
// the value limit. The start of a number ("-", ".", "-.", "2.") stays so that such numbers
// can be typed key by key.
bool inputStays(const QString& text, const InputLimits& limits);

// Why a text cannot go out as the input's value; none when it can. Beyond what may stay
// while typing, a number must be complete: a lone "-", ".", "-." or a number that ends
// in "." is only the start of one. An empty text goes out as an empty field. The reasons
// read after the setting's name: "longer than 4 characters", "not a number", "not a
// complete number", "above 100".
std::optional<QString> valueRefusal(const QString& text, const InputLimits& limits);
