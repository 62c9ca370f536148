// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <optional>

// The limits of one text input of the configuration window, the label that names it there
// and what it sets, in English.
struct InputLimits {
    const char* control;
    int maxLength;
    double maxValue;
    const char* caption;
    const char* description;
};

inline constexpr std::array<InputLimits, 8> kInputLimits{{
    {"Text1", 3, 255, "Label14", "node number"},
    {"Text2", 1, 3, "Label15", "mode"},
    {"Text3", 3, 255, "Label16", "PWM"},
    {"Text4", 2, 64, "Label1", "max sensor"},
    {"Text5", 4, 100, "Label18", "low temperature point"},
    {"Text6", 4, 100, "Label19", "high temperature point"},
    {"Text7", 4, 100, "Label20", "low humidity point"},
    {"Text8", 4, 100, "Label21", "high humidity point"},
}};

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
