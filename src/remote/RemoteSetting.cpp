// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteSetting.h"

#include <algorithm>

namespace {

bool remotelyWritable(const SettingRow& row) { return row.setting != Setting::Node; }

RemoteValue number(RemoteSetting setting, const QString& text)
{
    const SettingRow& row = settingRow(setting);
    const InputLimits& limits = row.limits;
    if (text.isEmpty())
        return {{}, QStringLiteral("empty value")};
    if (const std::optional<QString> refusal = valueRefusal(text, limits))
        return {{}, *refusal};
    if (row.remoteNotNegative && text.startsWith(u'-') && text.toDouble() < 0)
        return {{}, QStringLiteral("below 0: a relative humidity cannot be negative")};
    if (row.remoteWholeNumber && !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {{}, QStringLiteral("not a whole number from 0 to %1").arg(limits.maxValue)};
    return {text, {}};
}

} // namespace

QStringList remoteSettingNames()
{
    QStringList names;
    for (const SettingRow& row : kSettings)
        if (remotelyWritable(row))
            names.append(QLatin1StringView(mqttName(row)));
    return names;
}

QString remoteSettingName(RemoteSetting setting) { return QLatin1StringView(mqttName(settingRow(setting))); }

std::optional<RemoteSetting> remoteSettingNamed(QStringView name)
{
    for (const SettingRow& row : kSettings)
        if (remotelyWritable(row) && name == QLatin1StringView(mqttName(row)))
            return row.setting;
    return std::nullopt;
}

std::optional<SetTopic> parseSetTopic(const QString& lineTopic, const QString& topic)
{
    if (topic.size() <= lineTopic.size() + 1 || !topic.startsWith(lineTopic) || topic.at(lineTopic.size()) != u'/')
        return std::nullopt;
    // The prefix may hold levels of its own; the rest is NODE/set/SETTING.
    const QList<QStringView> levels = QStringView(topic).mid(lineTopic.size() + 1).split(u'/');
    if (levels.size() != 3 || levels[0].isEmpty() || levels[1] != QLatin1String("set"))
        return std::nullopt;
    return SetTopic{levels[0].left(64).toString(), levels[2].left(64).toString()};
}

std::variant<QList<RemoteSetting>, QString> parseRemoteSettings(const QString& list)
{
    QList<RemoteSetting> settings;
    for (const QString& item : list.split(u',')) {
        const QString name = item.trimmed();
        if (name.isEmpty())
            continue;
        if (name == QLatin1String("node") || name == QLatin1String("sensor_number"))
            return QStringLiteral("the node number is never written remotely: it would rename every topic");
        const std::optional<RemoteSetting> setting = remoteSettingNamed(name);
        if (!setting) {
            return QStringLiteral("unknown setting \"%1\" (known: %2)").arg(name, remoteSettingNames().join(QStringLiteral(", ")));
        }
        if (!settings.contains(*setting))
            settings.append(*setting);
    }
    if (settings.isEmpty())
        return QStringLiteral("no setting named");
    return settings;
}

RemoteValue remoteValue(RemoteSetting setting, const QByteArray& payload)
{
    if (payload.isEmpty())
        return {{}, QStringLiteral("empty value")};
    // Longer than any value of any setting either way: a megabyte is not read as text.
    const QString text = QString::fromLatin1(payload.left(65));
    if (settingRow(setting).kind == SettingRow::Kind::Number)
        return number(setting, text);
    switch (setting) {
    case RemoteSetting::HotCold:
        for (const char* code : {"HH", "HC", "CH", "CC"})
            if (text == QLatin1StringView(code))
                return {text, {}};
        return {{}, QStringLiteral("not one of HH, HC, CH, CC")};
    case RemoteSetting::Relay1:
    case RemoteSetting::Relay2:
        if (text == QLatin1StringView("ON") || text == QLatin1StringView("1"))
            return {QStringLiteral("ON"), {}};
        if (text == QLatin1StringView("OFF") || text == QLatin1StringView("0"))
            return {QStringLiteral("OFF"), {}};
        return {{}, QStringLiteral("not ON, OFF, 1 or 0")};
    default:
        break;
    }
    return {{}, QStringLiteral("unknown setting")};
}

void applyRemoteValue(ConfigInputs& inputs, RemoteSetting setting, const QString& wireValue)
{
    using HotCold = ConfigInputs::HotCold;
    const SettingRow& row = settingRow(setting);
    switch (row.kind) {
    case SettingRow::Kind::Number:
        inputs.*row.text = wireValue;
        break;
    case SettingRow::Kind::HotCold:
        inputs.hotCold = wireValue == QLatin1String("HH")   ? HotCold::HH
                         : wireValue == QLatin1String("HC") ? HotCold::HC
                         : wireValue == QLatin1String("CH") ? HotCold::CH
                                                            : HotCold::CC;
        break;
    case SettingRow::Kind::Relay:
        inputs.*row.relay = wireValue == QLatin1String("ON") ? ConfigInputs::Relay::On : ConfigInputs::Relay::Off;
        break;
    }
}

std::optional<QString> lowAboveHigh(const ConfigInputs& inputs, const QStringList& fields)
{
    for (const auto& [lowSetting, highSetting] : {std::pair{Setting::TemperatureLow, Setting::TemperatureHigh},
                                                  std::pair{Setting::HumidityLow, Setting::HumidityHigh}}) {
        const SettingRow& lowRow = settingRow(lowSetting);
        const SettingRow& highRow = settingRow(highSetting);
        const QString& lowText = inputs.*lowRow.text;
        const QString& highText = inputs.*highRow.text;
        if (lowText.isEmpty() && highText.isEmpty())
            continue;
        const std::optional<double> low = lowText.isEmpty() ? fieldNumber(fields, *lowRow.echoedBy) : fieldNumber(QStringView(lowText));
        const std::optional<double> high = highText.isEmpty() ? fieldNumber(fields, *highRow.echoedBy) : fieldNumber(QStringView(highText));
        if (low && high && *low > *high)
            return QStringLiteral("%1 %2 would be above %3 %4")
                .arg(QLatin1StringView(mqttName(lowRow)), QString::number(*low), QLatin1StringView(mqttName(highRow)), QString::number(*high));
    }
    return std::nullopt;
}
