// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteSetting.h"

#include "config/InputCheck.h"

#include <algorithm>
#include <array>

namespace {

struct Description {
    RemoteSetting setting;
    const char* name;
};

constexpr std::array<Description, kRemoteSettingCount> kSettings{{
    {RemoteSetting::TemperatureLow, "temperature_low"},
    {RemoteSetting::TemperatureHigh, "temperature_high"},
    {RemoteSetting::HumidityLow, "humidity_low"},
    {RemoteSetting::HumidityHigh, "humidity_high"},
    {RemoteSetting::Pwm, "pwm"},
    {RemoteSetting::Mode, "mode"},
    {RemoteSetting::HotCold, "hot_cold"},
    {RemoteSetting::Relay1, "relay1"},
    {RemoteSetting::Relay2, "relay2"},
    {RemoteSetting::MaxSensor, "max_sensor"},
}};

// The configuration window's input behind each numeric setting.
const InputLimits* inputLimits(RemoteSetting setting)
{
    const auto control = [](const char* name) {
        return std::find_if(kInputLimits.begin(), kInputLimits.end(), [name](const InputLimits& limits) { return qstrcmp(limits.control, name) == 0; });
    };
    switch (setting) {
    case RemoteSetting::Mode:
        return control("Text2");
    case RemoteSetting::Pwm:
        return control("Text3");
    case RemoteSetting::MaxSensor:
        return control("Text4");
    case RemoteSetting::TemperatureLow:
        return control("Text5");
    case RemoteSetting::TemperatureHigh:
        return control("Text6");
    case RemoteSetting::HumidityLow:
        return control("Text7");
    case RemoteSetting::HumidityHigh:
        return control("Text8");
    default:
        return nullptr;
    }
}

RemoteValue number(RemoteSetting setting, const QString& text)
{
    const InputLimits& limits = *inputLimits(setting);
    if (text.isEmpty())
        return {{}, QStringLiteral("empty value")};
    if (const std::optional<QString> refusal = valueRefusal(text, limits))
        return {{}, *refusal};
    const bool humidity = setting == RemoteSetting::HumidityLow || setting == RemoteSetting::HumidityHigh;
    const bool whole = setting == RemoteSetting::Pwm || setting == RemoteSetting::Mode || setting == RemoteSetting::MaxSensor;
    if (humidity && text.startsWith(u'-') && text.toDouble() < 0)
        return {{}, QStringLiteral("below 0: a relative humidity cannot be negative")};
    if (whole && !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {{}, QStringLiteral("not a whole number from 0 to %1").arg(limits.maxValue)};
    return {text, {}};
}

} // namespace

QString remoteSettingName(RemoteSetting setting)
{
    return QLatin1StringView(kSettings[static_cast<std::size_t>(setting)].name);
}

std::optional<RemoteSetting> remoteSettingNamed(QStringView name)
{
    for (const Description& description : kSettings)
        if (name == QLatin1StringView(description.name))
            return description.setting;
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
            QStringList known;
            for (const Description& description : kSettings)
                known.append(QLatin1StringView(description.name));
            return QStringLiteral("unknown setting \"%1\" (known: %2)").arg(name, known.join(QStringLiteral(", ")));
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
    if (inputLimits(setting))
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
    using Relay = ConfigInputs::Relay;
    switch (setting) {
    case RemoteSetting::TemperatureLow:
        inputs.lowTemperature = wireValue;
        break;
    case RemoteSetting::TemperatureHigh:
        inputs.highTemperature = wireValue;
        break;
    case RemoteSetting::HumidityLow:
        inputs.lowHumidity = wireValue;
        break;
    case RemoteSetting::HumidityHigh:
        inputs.highHumidity = wireValue;
        break;
    case RemoteSetting::Pwm:
        inputs.pwm = wireValue;
        break;
    case RemoteSetting::Mode:
        inputs.mode = wireValue;
        break;
    case RemoteSetting::MaxSensor:
        inputs.maxSensor = wireValue;
        break;
    case RemoteSetting::HotCold:
        inputs.hotCold = wireValue == QLatin1String("HH")   ? HotCold::HH
                         : wireValue == QLatin1String("HC") ? HotCold::HC
                         : wireValue == QLatin1String("CH") ? HotCold::CH
                                                            : HotCold::CC;
        break;
    case RemoteSetting::Relay1:
    case RemoteSetting::Relay2:
        (setting == RemoteSetting::Relay1 ? inputs.relay1 : inputs.relay2) = wireValue == QLatin1String("ON") ? Relay::On : Relay::Off;
        break;
    }
}

std::optional<QString> lowAboveHigh(const ConfigInputs& inputs, const QStringList& fields)
{
    struct Pair {
        const QString& low;
        const QString& high;
        FrameField::Index lowField;
        FrameField::Index highField;
        const char* lowName;
        const char* highName;
    };
    for (const Pair& pair : {Pair{inputs.lowTemperature, inputs.highTemperature, FrameField::LowTemperature, FrameField::HighTemperature,
                                  "temperature_low", "temperature_high"},
                             Pair{inputs.lowHumidity, inputs.highHumidity, FrameField::LowHumidity, FrameField::HighHumidity,
                                  "humidity_low", "humidity_high"}}) {
        if (pair.low.isEmpty() && pair.high.isEmpty())
            continue;
        const std::optional<double> low = pair.low.isEmpty() ? fieldNumber(fields, pair.lowField) : fieldNumber(QStringView(pair.low));
        const std::optional<double> high = pair.high.isEmpty() ? fieldNumber(fields, pair.highField) : fieldNumber(QStringView(pair.high));
        if (low && high && *low > *high)
            return QStringLiteral("%1 %2 would be above %3 %4")
                .arg(QLatin1StringView(pair.lowName), QString::number(*low), QLatin1StringView(pair.highName), QString::number(*high));
    }
    return std::nullopt;
}
