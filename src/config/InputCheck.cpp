// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputCheck.h"

namespace {

// Decimal digits with an optional leading "-" and at most one ".": a sign or point with no
// digit yet, digits that end in the point, or a complete number.
enum class Form { Empty, NoDigit, EndsInPoint, Complete, NotANumber };

Form formOf(const QString& text)
{
    if (text.isEmpty())
        return Form::Empty;
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
            return Form::NotANumber;
        }
    }
    if (!digits)
        return Form::NoDigit;
    return text.back() == u'.' ? Form::EndsInPoint : Form::Complete;
}

bool aboveLimit(const QString& text, const InputLimits& limits)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return !ok || value > limits.maxValue;
}

} // namespace

bool inputStays(const QString& text, const InputLimits& limits)
{
    if (text.size() > limits.maxLength)
        return false;
    switch (formOf(text)) {
    case Form::Empty:
    case Form::NoDigit:
        return true;
    case Form::NotANumber:
        return false;
    case Form::EndsInPoint:
    case Form::Complete:
        return !aboveLimit(text, limits);
    }
    return false;
}

std::optional<QString> valueRefusal(const QString& text, const InputLimits& limits)
{
    if (text.size() > limits.maxLength)
        return limits.maxLength == 1 ? QStringLiteral("longer than 1 character") : QStringLiteral("longer than %1 characters").arg(limits.maxLength);
    switch (formOf(text)) {
    case Form::Empty:
        return std::nullopt;
    case Form::NotANumber:
        return QStringLiteral("not a number");
    case Form::NoDigit:
    case Form::EndsInPoint:
        return QStringLiteral("not a complete number");
    case Form::Complete:
        break;
    }
    if (aboveLimit(text, limits))
        return QStringLiteral("above %1").arg(limits.maxValue);
    return std::nullopt;
}
