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

QJsonValue fieldValue(const QStringList& fields, const PayloadField& field)
{
    if (field.frameIndex >= fields.size())
        return QJsonValue(QJsonValue::Null);
    if (field.kind == Kind::Number) {
        if (const std::optional<double> value = fieldNumber(fields, field.frameIndex))
            return *value;
    }
    return fields.at(field.frameIndex);
}

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
    for (const PayloadField& field : kPayloadFields)
        object.insert(QLatin1StringView(field.key), fieldValue(fields, field));
    object.insert(QStringLiteral("time"), QString::fromLatin1(isoLocalWithOffset(receivedMsecsSinceEpoch, true)));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
