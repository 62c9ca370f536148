// SPDX-License-Identifier: GPL-3.0-or-later
// Remote command topics and values: whatever arrives, a value that passes the checks puts
// exactly one field in range into the configuration command, and nothing else.
#include "remote/RemoteSetting.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {

bool plainDigits(const QByteArray& text, int longest)
{
    return !text.isEmpty() && text.size() <= longest && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool inRange(RemoteSetting setting, const QByteArray& field)
{
    switch (setting) {
    case RemoteSetting::TemperatureLow:
    case RemoteSetting::TemperatureHigh:
    case RemoteSetting::HumidityLow:
    case RemoteSetting::HumidityHigh: {
        // A complete decimal, as the configuration window sends it; a humidity not below 0.
        static const QRegularExpression decimal(QStringLiteral("^-?([0-9]+(\\.[0-9]+)?|\\.[0-9]+)$"));
        const bool humidity = setting == RemoteSetting::HumidityLow || setting == RemoteSetting::HumidityHigh;
        return field.size() <= 4 && decimal.match(QString::fromLatin1(field)).hasMatch() && field.toDouble() <= 100 &&
               (!humidity || field.toDouble() >= 0);
    }
    case RemoteSetting::Pwm:
        return plainDigits(field, 3) && field.toInt() <= 255;
    case RemoteSetting::Mode:
        return plainDigits(field, 1) && field.toInt() <= 3;
    case RemoteSetting::MaxSensor:
        return plainDigits(field, 2) && field.toInt() <= 64;
    case RemoteSetting::HotCold:
        return field == "11" || field == "10" || field == "1" || field == "0";
    case RemoteSetting::Relay1:
    case RemoteSetting::Relay2:
        return field == "1" || field == "0";
    case RemoteSetting::Node:
        break; // never named from afar
    }
    return false;
}

// Where each setting stands in the command "@,f1,...,f13,".
int fieldOf(RemoteSetting setting)
{
    switch (setting) {
    case RemoteSetting::MaxSensor: return 2;
    case RemoteSetting::TemperatureLow: return 3;
    case RemoteSetting::TemperatureHigh: return 4;
    case RemoteSetting::HumidityLow: return 5;
    case RemoteSetting::HumidityHigh: return 6;
    case RemoteSetting::HotCold: return 7;
    case RemoteSetting::Relay1: return 8;
    case RemoteSetting::Relay2: return 9;
    case RemoteSetting::Pwm: return 10;
    case RemoteSetting::Mode: return 11;
    case RemoteSetting::Node: break;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf('\0');
    const QString topic = QString::fromUtf8(split < 0 ? input : input.left(split));
    const QByteArray payload = split < 0 ? QByteArray() : input.mid(split + 1);
    const std::optional<SetTopic> parsed = parseSetTopic(QStringLiteral("zeq4810"), topic);
    if (!parsed)
        return 0;
    const std::optional<RemoteSetting> setting = remoteSettingNamed(parsed->settingName);
    if (!setting)
        return 0;
    const RemoteValue value = remoteValue(*setting, payload);
    if (!value.refusal.isEmpty())
        return 0;
    ConfigInputs inputs;
    applyRemoteValue(inputs, *setting, value.value);
    const QList<QByteArray> fields = buildConfigCommand(inputs, 1).split(',');
    if (fields.size() != 15 || !inRange(*setting, fields[fieldOf(*setting)]))
        std::abort();
    for (int i = 1; i <= 11; ++i)
        if (i != fieldOf(*setting) && !fields[i].isEmpty())
            std::abort();
    return 0;
}
