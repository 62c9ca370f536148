// SPDX-License-Identifier: GPL-3.0-or-later
// What the logger makes of any byte stream from the line: frames taken in runs, their
// MQTT payload and topic level; and any text as a broker URL.
#include "publish/MqttUrl.h"
#include "publish/StatePayload.h"
#include "telemetry/FrameAssembler.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameAssembler rx;
    QByteArrayView rest(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    while (!rest.isEmpty()) {
        qsizetype consumed = 0;
        const FrameAssembler::Outcome outcome = rx.receive(rest, consumed);
        if (consumed <= 0 || consumed > rest.size())
            std::abort();
        rest = rest.sliced(consumed);
        if (outcome != FrameAssembler::Outcome::Accepted)
            continue;
        const QJsonDocument json = QJsonDocument::fromJson(statePayload(rx.rxFields, 1796662822000));
        if (!json.isObject())
            std::abort();
        // Seventeen keys, and "raw" beside them when a reading is not a number; every
        // reading a number or null, whatever the line carried.
        const QJsonObject state = json.object();
        if (state.size() != (state.contains(QStringLiteral("raw")) ? 18 : 17))
            std::abort();
        for (auto it = state.begin(); it != state.end(); ++it) {
            const bool text = it.key() == u"node" || it.key() == u"hot_cold" || it.key() == u"time";
            if (it.key() == u"raw" ? !it.value().isObject()
                                   : text ? !it.value().isString() && !it.value().isNull()
                                          : !it.value().isDouble() && !it.value().isNull())
                std::abort();
        }
        const QString level = nodeTopicLevel(rx.rxFields.value(0));
        if (level.isEmpty() || level.contains(u'/') || level.contains(u'+') || level.contains(u'#'))
            std::abort();
    }
    const auto url = parseMqttUrl(QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (const auto* endpoint = std::get_if<MqttEndpoint>(&url)) {
        if (endpoint->host.isEmpty() || endpoint->port < 1 || endpoint->port > 65535)
            std::abort();
    }
    return 0;
}
