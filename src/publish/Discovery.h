// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Home Assistant MQTT discovery: the retained configs that make each node a device with
// its sensors, and the logger a device of its own that the nodes are reached through.
struct DiscoveryTopics {
    QString discoveryPrefix; // "homeassistant"
    QString prefix;          // the state topics' prefix, "zeq4810"
    QString lineLevel;       // the line as a topic level, "ttyUSB0"
    QString lineName;        // the line for people, "/dev/ttyUSB0"

    QString bridgeStatus() const { return prefix + QStringLiteral("/bridge/") + lineLevel + QStringLiteral("/status"); }
    QString nodeTopic(const QString& nodeLevel, const char* leaf) const
    {
        return prefix + u'/' + nodeLevel + u'/' + QLatin1StringView(leaf);
    }
    // Where Home Assistant says that it (re)started.
    QString homeAssistantStatus() const { return discoveryPrefix + QStringLiteral("/status"); }
};

struct DiscoveryMessage {
    QString topic;
    QByteArray payload;
};

// The logger's own device: one connectivity sensor for the line, on the bridge status.
DiscoveryMessage bridgeDiscovery(const DiscoveryTopics& topics);
// A node's device with one entity for each reading, set point, code and lamp; and for each
// setting named in `writable` ("temperature_low", "hot_cold", ...) one more, in the
// configuration category, that writes it on PREFIX/<node>/set/<setting>: a number for the
// set points, PWM and max sensor, a select for HOT-COLD and mode, a switch for a relay.
QList<DiscoveryMessage> nodeDiscovery(const DiscoveryTopics& topics, const QString& nodeLevel, const QString& nodeText,
                                      const QStringList& writable = {});
