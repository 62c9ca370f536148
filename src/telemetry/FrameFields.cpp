// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFields.h"

#include <charconv>
#include <cmath>

std::optional<double> fieldNumber(QStringView text)
{
    text = text.trimmed();
    // from_chars takes no "+" and stops at the first character it does not read; both
    // are checked here so that only the plain form passes.
    char plain[32];
    qsizetype length = 0;
    int digits = 0;
    int points = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.')
            ++points;
        else if ((c == u'-' || c == u'+') && i == 0)
            ; // a sign, first only
        else
            return std::nullopt;
        if (c == u'+')
            continue;
        if (length == qsizetype(sizeof plain))
            return std::nullopt;
        plain[length++] = static_cast<char>(c);
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(plain, plain + length, value);
    if (error != std::errc() || end != plain + length || !std::isfinite(value))
        return std::nullopt;
    return value;
}
