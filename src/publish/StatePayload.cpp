// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatePayload.h"

#include "logging/IsoTime.h"
#include "telemetry/Readings.h"

#include <QJsonDocument>
#include <QJsonObject>

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
    for (const Reading& field : kReadings) {
        const QLatin1StringView key(field.key);
        if (field.frameIndex >= fields.size()) {
            object.insert(key, QJsonValue(QJsonValue::Null));
        } else if (field.kind == Reading::Kind::Text) {
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
