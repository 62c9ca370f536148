// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatePayload.h"

#include "logging/IsoTime.h"
#include "telemetry/FrameFields.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace {

enum class Kind { Text, Number };

struct PayloadField {
    FrameField::Index frameIndex;
    const char* key;
    Kind kind;
};

constexpr std::array<PayloadField, FrameField::Count> kPayloadFields{{
    {FrameField::Node, "node", Kind::Text},
    {FrameField::Temperature, "temperature", Kind::Number},
    {FrameField::Humidity, "humidity", Kind::Number},
    {FrameField::LowTemperature, "temperature_low", Kind::Number},
    {FrameField::HighTemperature, "temperature_high", Kind::Number},
    {FrameField::LowHumidity, "humidity_low", Kind::Number},
    {FrameField::HighHumidity, "humidity_high", Kind::Number},
    {FrameField::HotCold, "hot_cold", Kind::Text},
    {FrameField::Mode, "mode", Kind::Number},
    {FrameField::Pwm, "pwm", Kind::Number},
    {FrameField::Relay1, "relay1", Kind::Number},
    {FrameField::Relay2, "relay2", Kind::Number},
    {FrameField::Input1, "input1", Kind::Number},
    {FrameField::Input2, "input2", Kind::Number},
    {FrameField::Adc, "adc", Kind::Number},
    {FrameField::AutoScan, "autoscan", Kind::Number},
}};

} // namespace

QString nodeTopicLevel(const QString& node)
{
    QString level = node.trimmed();
    for (QChar& c : level) {
        if (c == u'/' || c == u'+' || c == u'#' || c.unicode() < 0x21 || c.unicode() == 0x7F)
            c = u'_';
    }
    return level.isEmpty() ? QStringLiteral("_") : level;
}

QByteArray statePayload(const QStringList& fields, std::int64_t receivedMsecsSinceEpoch)
{
    QJsonObject object;
    QJsonObject raw;
    for (const PayloadField& field : kPayloadFields) {
        const QLatin1StringView key(field.key);
        if (field.frameIndex >= fields.size()) {
            object.insert(key, QJsonValue(QJsonValue::Null));
        } else if (field.kind == Kind::Text) {
            object.insert(key, fields.at(field.frameIndex));
        } else if (const std::optional<double> value = fieldNumber(fields, field.frameIndex)) {
            object.insert(key, *value);
        } else {
            // Not a number: null keeps the reading's type, its text goes beside it.
            object.insert(key, QJsonValue(QJsonValue::Null));
            raw.insert(key, fields.at(field.frameIndex));
        }
    }
    if (!raw.isEmpty())
        object.insert(QStringLiteral("raw"), raw);
    object.insert(QStringLiteral("time"), QString::fromLatin1(isoLocalWithOffset(receivedMsecsSinceEpoch, true)));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
