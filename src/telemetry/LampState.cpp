// SPDX-License-Identifier: GPL-3.0-or-later
#include "LampState.h"

#include "FrameFields.h"

bool lampIsOn(const QStringList& fields, int frameIndex)
{
    if (frameIndex < 0 || frameIndex >= fields.size())
        return true;
    // The node sends "0" and "1"; those are answered without reading a number.
    const QString& field = fields.at(frameIndex);
    if (field.size() == 1 && (field.front() == u'0' || field.front() == u'1'))
        return field.front() == u'1';
    const std::optional<double> value = fieldNumber(QStringView(field));
    return !value || *value == 1.0;
}
