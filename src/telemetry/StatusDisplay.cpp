#include "StatusDisplay.h"

bool lampIsOn(const QStringList& fields, int frameIndex)
{
    if (frameIndex < 0 || frameIndex >= fields.size())
        return true;
    bool isNumber = false;
    const double value = fields.at(frameIndex).toDouble(&isNumber);
    return !isNumber || value == 1.0;
}
