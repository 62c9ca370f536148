// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration window's input check: any text the keyboard or a paste can produce.
#include "config/Settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const SettingRow& row : kSettings) {
        const InputLimits& limits = row.limits;
        if (row.kind != SettingRow::Kind::Number || !inputStays(text, limits))
            continue;
        if (text.size() > limits.maxLength)
            std::abort();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (ok && value > limits.maxValue)
            std::abort();
        for (QChar c : text)
            if (!(c.isDigit() && c.unicode() < 128) && c != u'-' && c != u'.')
                std::abort();
    }
    return 0;
}
