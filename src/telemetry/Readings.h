// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameFields.h"

#include <array>

// The readings of a status frame, one row each in the frame's order: the name a reading
// goes by outside the program (the key of the JSON state, the name of its Home Assistant
// entity), its unit and how Home Assistant classes it.
struct Reading {
    enum class Kind { Text, Number, Lamp };

    FrameField::Index frameIndex;
    const char* key;  // in the JSON state and the Home Assistant ids: "temperature_low"
    const char* name; // for people: "Low temperature point"
    Kind kind;        // a name kept as text, a number, or a lamp's 1 or 0
    const char* unit; // empty for none
    const char* deviceClass; // Home Assistant's, empty for none
    bool measurement; // a reading Home Assistant keeps statistics of
    bool diagnostic;  // shown among the device's diagnostics
};

inline constexpr std::array<Reading, FrameField::Count> kReadings{{
    {FrameField::Node, "node", "Node", Reading::Kind::Text, "", "", false, false},
    {FrameField::Temperature, "temperature", "Temperature", Reading::Kind::Number, "°C", "temperature", true, false},
    {FrameField::Humidity, "humidity", "Humidity", Reading::Kind::Number, "%", "humidity", true, false},
    {FrameField::LowTemperature, "temperature_low", "Low temperature point", Reading::Kind::Number, "°C", "temperature", false, false},
    {FrameField::HighTemperature, "temperature_high", "High temperature point", Reading::Kind::Number, "°C", "temperature", false, false},
    {FrameField::LowHumidity, "humidity_low", "Low humidity point", Reading::Kind::Number, "%", "humidity", false, false},
    {FrameField::HighHumidity, "humidity_high", "High humidity point", Reading::Kind::Number, "%", "humidity", false, false},
    // The HOT-COLD code is a name: "01" is not "1".
    {FrameField::HotCold, "hot_cold", "HOT-COLD", Reading::Kind::Text, "", "", false, true},
    {FrameField::Mode, "mode", "Mode", Reading::Kind::Number, "", "", false, true},
    {FrameField::Pwm, "pwm", "PWM", Reading::Kind::Number, "", "", true, true},
    {FrameField::Relay1, "relay1", "Relay1", Reading::Kind::Lamp, "", "power", false, false},
    {FrameField::Relay2, "relay2", "Relay2", Reading::Kind::Lamp, "", "power", false, false},
    {FrameField::Input1, "input1", "Input1", Reading::Kind::Lamp, "", "", false, false},
    {FrameField::Input2, "input2", "Input2", Reading::Kind::Lamp, "", "", false, false},
    {FrameField::Adc, "adc", "ADC", Reading::Kind::Number, "", "", true, true},
    {FrameField::AutoScan, "autoscan", "AutoScan", Reading::Kind::Lamp, "", "", false, true},
}};

inline constexpr const Reading& reading(FrameField::Index index) { return kReadings[static_cast<std::size_t>(index)]; }
static_assert(
    [] {
        for (std::size_t i = 0; i < kReadings.size(); ++i)
            if (kReadings[i].frameIndex != static_cast<int>(i))
                return false;
        return true;
    }(),
    "a reading's row stands at its frame field");
