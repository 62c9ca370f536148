// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ConfigCommand.h"
#include "InputCheck.h"
#include "telemetry/Readings.h"

#include <QString>

#include <array>
#include <optional>

// The settings a configuration command carries, one row each: the field of the command
// it goes in, the frame field that shows it afterwards, what MQTT calls it, and for a
// number the limits its input keeps. Every reader of settings (the input checks, the
// command, its confirmation, the remote writes) takes them from here.
enum class Setting { TemperatureLow, TemperatureHigh, HumidityLow, HumidityHigh, Pwm, Mode, HotCold, Relay1, Relay2, MaxSensor, Node };

struct SettingRow {
    enum class Kind { Number, HotCold, Relay };

    Setting setting;
    // The name of a setting no frame shows; the others go by their reading's key.
    const char* ownName;
    Kind kind;
    // Where it goes in the command: 1 is the field after "@".
    int commandField;
    // The frame field that echoes it; none for a setting the frames do not show.
    std::optional<FrameField::Index> echoedBy;
    // For a number: its input's limits, and what it sets in English.
    InputLimits limits;
    // A remote write takes only a whole number from 0 (a count or a code), or no value
    // below 0 (a relative humidity).
    bool remoteWholeNumber;
    bool remoteNotNegative;
    // The text of the inputs the command is built from; for a relay, its choice.
    QString ConfigInputs::*text;
    ConfigInputs::Relay ConfigInputs::*relay;
};

inline constexpr std::size_t kSettingCount = 11;

// In the order MQTT lists them; the node number last, as it is never written from afar.
inline constexpr std::array<SettingRow, kSettingCount> kSettings{{
    {Setting::TemperatureLow, nullptr, SettingRow::Kind::Number, 3, FrameField::LowTemperature,
     {4, 100, "low temperature point"}, false, false, &ConfigInputs::lowTemperature, nullptr},
    {Setting::TemperatureHigh, nullptr, SettingRow::Kind::Number, 4, FrameField::HighTemperature,
     {4, 100, "high temperature point"}, false, false, &ConfigInputs::highTemperature, nullptr},
    {Setting::HumidityLow, nullptr, SettingRow::Kind::Number, 5, FrameField::LowHumidity,
     {4, 100, "low humidity point"}, false, true, &ConfigInputs::lowHumidity, nullptr},
    {Setting::HumidityHigh, nullptr, SettingRow::Kind::Number, 6, FrameField::HighHumidity,
     {4, 100, "high humidity point"}, false, true, &ConfigInputs::highHumidity, nullptr},
    {Setting::Pwm, nullptr, SettingRow::Kind::Number, 10, FrameField::Pwm, {3, 255, "PWM"}, true, false, &ConfigInputs::pwm, nullptr},
    {Setting::Mode, nullptr, SettingRow::Kind::Number, 11, FrameField::Mode, {1, 3, "mode"}, true, false, &ConfigInputs::mode, nullptr},
    {Setting::HotCold, nullptr, SettingRow::Kind::HotCold, 7, FrameField::HotCold, {}, false, false, nullptr, nullptr},
    {Setting::Relay1, nullptr, SettingRow::Kind::Relay, 8, FrameField::Relay1, {}, false, false, nullptr, &ConfigInputs::relay1},
    {Setting::Relay2, nullptr, SettingRow::Kind::Relay, 9, FrameField::Relay2, {}, false, false, nullptr, &ConfigInputs::relay2},
    {Setting::MaxSensor, "max_sensor", SettingRow::Kind::Number, 2, std::nullopt, {2, 64, "max sensor"}, true, false,
     &ConfigInputs::maxSensor, nullptr},
    {Setting::Node, nullptr, SettingRow::Kind::Number, 1, FrameField::Node, {3, 255, "node number"}, true, false,
     &ConfigInputs::sensorNumber, nullptr},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < kSettings.size(); ++i)
            if (static_cast<std::size_t>(kSettings[i].setting) != i)
                return false;
        return true;
    }(),
    "a setting's row stands at its number");

inline constexpr const SettingRow& settingRow(Setting setting) { return kSettings[static_cast<std::size_t>(setting)]; }
inline constexpr const InputLimits& inputLimits(Setting setting) { return settingRow(setting).limits; }
// The setting's name in topics, in the logger's option and in results (temperature_low).
inline constexpr const char* mqttName(const SettingRow& row) { return row.echoedBy ? reading(*row.echoedBy).key : row.ownName; }

// The setting's name for people, as its frame field is named ("Low temperature point").
QString settingTitle(Setting setting);
// What the command carries for the setting: the text as typed, or the option's code.
QString commandText(const ConfigInputs& inputs, Setting setting);
