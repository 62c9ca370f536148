// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttClient.h"
#include "remote/RemoteSetting.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <variant>

// What the logger's command line asks for.
struct LoggerOptions {
    int portNumber = 1;
    // The device for that number when the command line names one; empty for the system's
    // fixed table.
    QString devicePath;
    // The line as messages name it: "COM1 (/tmp/zeq4810-node)", "/dev/ttyUSB0", "COM33".
    QString lineName;
    // The line's name in topics and Home Assistant ids: --line, else the COM name, else the
    // device's file name ("ttyUSB0", "usb-FTDI_FT232R_A1B2C3-if00-port0").
    QString line;
    std::chrono::milliseconds interval{30000};
    // May hold %Y, %m and %d: each day's records then go to that day's file.
    QString logPath = QStringLiteral("data.txt");
    // The broker to publish to, as the MQTT client takes it; none: no MQTT.
    std::optional<MqttClient::Options> broker;
    // Home Assistant discovery under this prefix; none when off.
    std::optional<QString> discoveryPrefix;
    bool retainState = false;
    // The settings that may be written by MQTT; none: no command is taken.
    QList<RemoteSetting> mqttCommands;
    QString topicPrefix = QStringLiteral("zeq4810");
    bool quiet = false;
};

// The program ends before it starts: help or version on stdout with 0, a usage error with
// 2, its text the problem in one line for the journal.
struct LoggerExit {
    int code = 0;
    QString text;
};

// Reads the arguments (the program name first). The password file is read here, so a
// file that cannot be read is a usage error like any other.
std::variant<LoggerOptions, LoggerExit> readLoggerOptions(const QStringList& arguments);
