// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <variant>

// Where the broker is: "mqtt://host[:port]" (port 1883 when left out) or
// "mqtts://host[:port]" (TLS, port 8883, checked against the system's CA store).
struct MqttEndpoint {
    QString host;
    int port = 1883;
    bool tls = false;
};

// The endpoint, or a message saying what is wrong with the text. A user name or password
// in the URL is refused: it would show in the process list and the journal.
std::variant<MqttEndpoint, QString> parseMqttUrl(const QString& text);

// The endpoint as people read it: "127.0.0.1:1883", "[::1]:8883".
QString endpointText(const MqttEndpoint& endpoint);
