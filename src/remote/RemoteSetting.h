// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigCommand.h"
#include "telemetry/FrameFields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The settings a configuration command can carry that may be written from afar, and the
// checks a remote value passes before it may reach the line. Stricter than the
// configuration window's inputs: a remote value comes from a program, not a person at the
// machine, so anything short of a clean value of the setting's type is refused.
enum class RemoteSetting { TemperatureLow, TemperatureHigh, HumidityLow, HumidityHigh, Pwm, Mode, HotCold, Relay1, Relay2, MaxSensor };

inline constexpr std::size_t kRemoteSettingCount = 10;

// The setting's name in topics and in the option: "temperature_low", "hot_cold", ...
QString remoteSettingName(RemoteSetting setting);
std::optional<RemoteSetting> remoteSettingNamed(QStringView name);

// The node and setting levels of a set topic, PREFIX/<node>/set/<setting>; none for any
// other topic. Each level is cut to 64 characters.
struct SetTopic {
    QString nodeLevel;
    QString settingName;
};
std::optional<SetTopic> parseSetTopic(const QString& prefix, const QString& topic);

// The settings named in a comma-separated list, or why the list cannot be taken (an
// unknown name, the node number, an empty list).
std::variant<QList<RemoteSetting>, QString> parseRemoteSettings(const QString& list);

// A value as it goes on the wire for the setting, or why it is refused. Set points: a
// plain decimal from 0 to 100, written in at most 4 characters ("22.5"; "100.0" becomes
// "100"); PWM an integer 0-255; mode 0-3; max sensor 0-64; HOT-COLD one of HH, HC, CH, CC;
// a relay ON, OFF, 1 or 0. Blanks around the value are allowed, nothing else.
struct RemoteValue {
    QString value;   // as it goes on the wire
    QString refusal; // why the value is refused; empty when it is taken
};
RemoteValue remoteValue(RemoteSetting setting, const QByteArray& payload);

// Puts a checked wire value into the command's inputs.
void applyRemoteValue(ConfigInputs& inputs, RemoteSetting setting, const QString& wireValue);

// Why the set points of `inputs`, each taken from the command where it sets one and from
// the node's frame `fields` otherwise, would put a low point above its high point; none
// when they do not.
std::optional<QString> lowAboveHigh(const ConfigInputs& inputs, const QStringList& fields);
