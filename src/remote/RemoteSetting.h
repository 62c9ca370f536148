// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigCommand.h"
#include "config/Settings.h"
#include "telemetry/FrameFields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The settings a configuration command can carry that may be written from afar, and the
// checks a remote value passes before it may reach the line: the configuration window's
// own, and a few more where a value from a program, not a person at the machine, is
// surely a mistake.
// Every setting but the node number, which would rename every topic.
using RemoteSetting = Setting;

// The setting's name in topics and in the option, as the settings table gives it.
QString remoteSettingName(RemoteSetting setting);
// The names of the settings that may be written from afar, in the table's order.
QStringList remoteSettingNames();
// The setting a name stands for; none for the node number and for names of no setting.
std::optional<RemoteSetting> remoteSettingNamed(QStringView name);

// The node and setting levels of a set topic, LINETOPIC/NODE/set/SETTING; none for any
// other topic. Each level is cut to 64 characters.
struct SetTopic {
    QString nodeLevel;
    QString settingName;
};
std::optional<SetTopic> parseSetTopic(const QString& lineTopic, const QString& topic);

// The settings named in a comma-separated list, or why the list cannot be taken (an
// unknown name, the node number, an empty list).
std::variant<QList<RemoteSetting>, QString> parseRemoteSettings(const QString& list);

// A value as it goes on the wire for the setting, or why it is refused. The numbers pass
// the configuration window's own check at "Send" (valueRefusal: its length and value
// limits, a complete number) and go out as written; the remote path refuses besides a
// humidity point below 0 and a PWM, mode or max sensor that is not a whole number from 0.
// HOT-COLD is one of HH, HC, CH, CC; a relay ON, OFF, 1 or 0. Nothing else, blanks
// included, is taken.
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
