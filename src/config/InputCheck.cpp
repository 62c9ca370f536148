// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputCheck.h"

bool inputStays(const QString& text, const InputLimits& limits)
{
    if (text.size() > limits.maxLength)
        return false;
    if (text.isEmpty())
        return true;
    qsizetype i = text.front() == u'-' ? 1 : 0;
    bool point = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return true;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value <= limits.maxValue;
}
