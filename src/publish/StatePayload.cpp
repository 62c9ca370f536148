#include "StatePayload.h"

#include "logging/IsoTime.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace {

enum class Kind { Text, Number };

struct PayloadField {
    int frameIndex;
    const char* key;
    Kind kind;
};

constexpr std::array<PayloadField, 16> kPayloadFields{{
    {0, "node", Kind::Text},
    {1, "temperature", Kind::Number},
    {2, "humidity", Kind::Number},
    {3, "temperature_low", Kind::Number},
    {4, "temperature_high", Kind::Number},
    {5, "humidity_low", Kind::Number},
    {6, "humidity_high", Kind::Number},
    {7, "hot_cold", Kind::Text},
    {8, "mode", Kind::Number},
    {9, "pwm", Kind::Number},
    {10, "relay1", Kind::Number},
    {11, "relay2", Kind::Number},
    {12, "input1", Kind::Number},
    {13, "input2", Kind::Number},
    {14, "adc", Kind::Number},
    {15, "autoscan", Kind::Number},
}};

// A plain decimal, blanks around it allowed: "25.3", "-4", " 60.2", ".5". Not "1e3", "inf"
// or "0x10", which the node never sends as a number.
bool isPlainDecimal(QStringView text)
{
    text = text.trimmed();
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+'))
        text = text.sliced(1);
    int digits = 0;
    int points = 0;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 0x80)
            ++digits;
        else if (c == u'.' && ++points == 1)
            continue;
        else
            return false;
    }
    return digits > 0;
}

QJsonValue fieldValue(const QStringList& fields, const PayloadField& field)
{
    if (field.frameIndex >= fields.size())
        return QJsonValue(QJsonValue::Null);
    const QString& text = fields.at(field.frameIndex);
    if (field.kind == Kind::Number) {
        bool ok = false;
        const double value = isPlainDecimal(text) ? text.toDouble(&ok) : 0.0;
        if (ok)
            return value;
    }
    return text;
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
