// SPDX-License-Identifier: GPL-3.0-or-later
#include "Discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "config/Settings.h"
#include "telemetry/Readings.h"

namespace {

QString lineId(const DiscoveryTopics& topics) { return homeAssistantId({topics.prefix, topics.line}); }

QJsonObject origin()
{
    return {{"name", "zeq4810-logger"}, {"sw_version", QStringLiteral(ZEQ_VERSION)}, {"support_url", "https://zeq4810.example"}};
}

QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

// How Home Assistant writes a setting: its component and what the config adds for it.
struct Control {
    Setting setting;
    const char* component;
    const char* name;
    QJsonObject extra;
};

// A number's box, within the limits of the setting's input.
QJsonObject numberBox(Setting setting)
{
    const SettingRow& row = settingRow(setting);
    QJsonObject box{{"min", 0}, {"max", row.limits.maxValue}, {"step", row.remoteWholeNumber ? 1 : 0.1}, {"mode", "box"}};
    if (row.echoedBy && *reading(*row.echoedBy).unit)
        box.insert(QStringLiteral("unit_of_measurement"), QString::fromUtf8(reading(*row.echoedBy).unit));
    return box;
}

QList<Control> controls()
{
    const auto relay = [](Setting setting) {
        return QJsonObject{{"payload_on", "ON"}, {"payload_off", "OFF"}, {"state_on", "1"}, {"state_off", "0"},
                           {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(QLatin1StringView(mqttName(settingRow(setting))))}};
    };
    return {
        {Setting::TemperatureLow, "number", "Set low temperature point", numberBox(Setting::TemperatureLow)},
        {Setting::TemperatureHigh, "number", "Set high temperature point", numberBox(Setting::TemperatureHigh)},
        {Setting::HumidityLow, "number", "Set low humidity point", numberBox(Setting::HumidityLow)},
        {Setting::HumidityHigh, "number", "Set high humidity point", numberBox(Setting::HumidityHigh)},
        {Setting::Pwm, "number", "Set PWM", numberBox(Setting::Pwm)},
        {Setting::MaxSensor, "number", "Set max sensor", numberBox(Setting::MaxSensor)},
        {Setting::Mode, "select", "Set mode",
         QJsonObject{{"options", QJsonArray{"0", "1", "2", "3"}}, {"value_template", "{{ value_json.mode | int(0) | string }}"}}},
        // The node shows HOT-COLD as its code: 11, 10, 1 and 0 are HH, HC, CH and CC.
        {Setting::HotCold, "select", "Set HOT-COLD",
         QJsonObject{{"options", QJsonArray{"HH", "HC", "CH", "CC"}},
                     {"value_template", "{{ {'11': 'HH', '10': 'HC', '1': 'CH', '01': 'CH', '0': 'CC', '00': 'CC'}"
                                        ".get(value_json.hot_cold | string | trim, '') }}"}}},
        {Setting::Relay1, "switch", "Relay1 switch", relay(Setting::Relay1)},
        {Setting::Relay2, "switch", "Relay2 switch", relay(Setting::Relay2)},
    };
}

} // namespace

QString homeAssistantId(const QStringList& levels)
{
    QStringList parts;
    for (const QString& level : levels) {
        QString part;
        for (const char c : level.toUtf8()) {
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                part += QLatin1Char(c);
            else
                part += QStringLiteral("-%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
        }
        parts.append(part);
    }
    return parts.join(u'_');
}

DiscoveryMessage bridgeDiscovery(const DiscoveryTopics& topics)
{
    const QString id = lineId(topics);
    const QJsonObject config{
        {"name", "Line"},
        {"unique_id", id + QStringLiteral("_line")},
        {"state_topic", topics.lineStatus()},
        {"payload_on", "online"},
        {"payload_off", "offline"},
        {"device_class", "connectivity"},
        {"entity_category", "diagnostic"},
        {"device", QJsonObject{{"identifiers", QJsonArray{id}},
                               {"name", QStringLiteral("ZEQ4810 logger on %1").arg(topics.line == topics.lineName
                                                                                        ? topics.line
                                                                                        : QStringLiteral("%1 (%2)").arg(topics.line, topics.lineName))},
                               {"model", "zeq4810-logger"},
                               {"sw_version", QStringLiteral(ZEQ_VERSION)}}},
        {"origin", origin()},
    };
    return {topics.discoveryPrefix + QStringLiteral("/binary_sensor/") + id + QStringLiteral("/line/config"), compact(config)};
}

QList<DiscoveryMessage> nodeDiscovery(const DiscoveryTopics& topics, const QString& nodeLevel, const QString& nodeText,
                                      const QStringList& writable)
{
    const QString deviceId = homeAssistantId({topics.prefix, topics.line, nodeLevel});
    const QJsonObject device{
        {"identifiers", QJsonArray{deviceId}},
        {"name", QStringLiteral("ZEQ4810 node %1 on %2").arg(nodeText.trimmed(), topics.line)},
        {"model", "ZEQ4810"},
        {"via_device", lineId(topics)},
    };
    // Available only while both the logger and the node are: the bridge's will covers a
    // logger that ended without a word, the node's own topic a node that fell silent.
    const QJsonArray availability{
        QJsonObject{{"topic", topics.lineStatus()}},
        QJsonObject{{"topic", topics.nodeTopic(nodeLevel, "availability")}},
    };
    QList<DiscoveryMessage> messages;
    const auto announce = [&](const Reading& entity) {
        const QString key = QLatin1StringView(entity.key);
        QJsonObject config{
            {"name", QLatin1StringView(entity.name)},
            {"unique_id", deviceId + u'_' + key},
            {"state_topic", topics.nodeTopic(nodeLevel, "state")},
            {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(key)},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", device},
            {"origin", origin()},
        };
        if (*entity.deviceClass)
            config.insert(QStringLiteral("device_class"), QLatin1StringView(entity.deviceClass));
        if (*entity.unit)
            config.insert(QStringLiteral("unit_of_measurement"), QString::fromUtf8(entity.unit));
        if (entity.measurement)
            config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        if (entity.diagnostic)
            config.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
        const char* component = "sensor";
        if (entity.kind == Reading::Kind::Lamp) {
            component = "binary_sensor";
            config.insert(QStringLiteral("payload_on"), QStringLiteral("1"));
            config.insert(QStringLiteral("payload_off"), QStringLiteral("0"));
        }
        messages.append({QStringLiteral("%1/%2/%3/%4/config").arg(topics.discoveryPrefix, QLatin1StringView(component), deviceId, key),
                         compact(config)});
    };
    // Every reading but the node's number, which names the device: the sensors, then the lamps.
    for (const bool lamps : {false, true})
        for (const Reading& entity : kReadings)
            if (entity.frameIndex != FrameField::Node && (entity.kind == Reading::Kind::Lamp) == lamps)
                announce(entity);
    for (const Control& control : controls()) {
        const QString key = QLatin1StringView(mqttName(settingRow(control.setting)));
        if (!writable.contains(key))
            continue;
        QJsonObject config{
            {"name", QLatin1StringView(control.name)},
            {"unique_id", deviceId + u'_' + key + QStringLiteral("_set")},
            {"command_topic", topics.nodeTopic(nodeLevel, "set/") + key},
            {"entity_category", "config"},
            {"availability", availability},
            {"availability_mode", "all"},
            {"device", device},
            {"origin", origin()},
        };
        // A setting the node's frames do not show (max sensor): Home Assistant shows what it
        // last wrote.
        if (settingRow(control.setting).echoedBy) {
            config.insert(QStringLiteral("state_topic"), topics.nodeTopic(nodeLevel, "state"));
            config.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(key));
        }
        for (auto it = control.extra.begin(); it != control.extra.end(); ++it)
            config.insert(it.key(), it.value());
        messages.append({QStringLiteral("%1/%2/%3/%4_set/config").arg(topics.discoveryPrefix, QLatin1StringView(control.component), deviceId, key),
                         compact(config)});
    }
    return messages;
}
