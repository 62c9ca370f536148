// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// The fields of a status frame by name, in the order the node sends them.
namespace FrameField {
enum Index : int {
    Node = 0,
    Temperature,
    Humidity,
    LowTemperature,
    HighTemperature,
    LowHumidity,
    HighHumidity,
    HotCold,
    Mode,
    Pwm,
    Relay1,
    Relay2,
    Input1,
    Input2,
    Adc,
    AutoScan,
    Count // fields after these are not read
};
} // namespace FrameField

// A field's text read as a number: a plain decimal, blanks around it allowed ("25.3",
// "-4", " 60.2", "+5", ".5", "007"). Anything else is not a number: "1e3", "inf", "0x10",
// "1.2.3", an empty text. The node sends its numbers in that plain form only.
std::optional<double> fieldNumber(QStringView text);

// A frame's field as a number; none when the frame lacks it or it is not a number.
inline std::optional<double> fieldNumber(const QStringList& fields, FrameField::Index index)
{
    return index < fields.size() ? fieldNumber(QStringView(fields.at(index))) : std::nullopt;
}

// The idle look of a field's display: "00.0" for temperature and humidity, "0" for the rest.
inline const char* idleText(int field)
{
    return field == FrameField::Temperature || field == FrameField::Humidity ? "00.0" : "0";
}
// What a field's display shows before the first frame: the idle look, except the four set
// points ("00.0") and HOT-COLD ("00").
inline const char* initialText(int field)
{
    if (field >= FrameField::LowTemperature && field <= FrameField::HighHumidity)
        return "00.0";
    return field == FrameField::HotCold ? "00" : idleText(field);
}
