// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Where a line's messages go: a site is its prefix, a line its name under that prefix, a
// node its number on that line. PREFIX/LINE/status is the logger's own; PREFIX/LINE/NODE/...
// are the node's.
struct DiscoveryTopics {
    QString discoveryPrefix; // "homeassistant"
    QString prefix;          // the site's prefix, "zeq4810"
    QString line;            // the line's name, one topic level: "COM1", "hall-a"
    QString lineName;        // the line for people, "/dev/ttyUSB0"

    QString lineTopic() const { return prefix + u'/' + line; }
    QString lineStatus() const { return lineTopic() + QStringLiteral("/status"); }
    QString nodeTopic(const QString& nodeLevel, const char* leaf) const
    {
        return lineTopic() + u'/' + nodeLevel + u'/' + QLatin1StringView(leaf);
    }
    // Where Home Assistant says that it (re)started.
    QString homeAssistantStatus() const { return discoveryPrefix + QStringLiteral("/status"); }
};

// Home Assistant ids made from the prefix, the line and the node, so that two sites, two
// lines or two nodes never share one: each level's letters and digits stay, any other
// character becomes "-" and its UTF-8 bytes in hex, and "_" joins the levels.
// "zeq4810", "COM1", "1" give "zeq4810_COM1_1"; "site-a/zeq4810" gives "site-2da-2fzeq4810".
QString homeAssistantId(const QStringList& levels);

struct DiscoveryMessage {
    QString topic;
    QByteArray payload;
};

// Home Assistant MQTT discovery: the retained configs that make each node a device with
// its sensors, and the logger a device of its own that the nodes are reached through.
// The logger's own device: one connectivity sensor for the line, on the line's status.
DiscoveryMessage bridgeDiscovery(const DiscoveryTopics& topics);
// A node's device with one entity for each reading, set point, code and lamp; and for each
// setting named in `writable` (by its MQTT name) one more, in the
// configuration category, that writes it on PREFIX/LINE/NODE/set/SETTING: a number for the
// set points, PWM and max sensor, a select for HOT-COLD and mode, a switch for a relay.
QList<DiscoveryMessage> nodeDiscovery(const DiscoveryTopics& topics, const QString& nodeLevel, const QString& nodeText,
                                      const QStringList& writable = {});
