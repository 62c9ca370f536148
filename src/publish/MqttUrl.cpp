// SPDX-License-Identifier: GPL-3.0-or-later
#include "MqttUrl.h"

#include <QUrl>

std::variant<MqttEndpoint, QString> parseMqttUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || url.host().isEmpty())
        return QStringLiteral("--mqtt wants mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"").arg(text);
    if (!url.userInfo().isEmpty())
        return QStringLiteral("--mqtt must not hold a user or password; use --mqtt-user and --mqtt-password-file");
    if ((!url.path().isEmpty() && url.path() != u"/") || url.hasQuery() || url.hasFragment())
        return QStringLiteral("--mqtt takes a host and port only, not \"%1\"").arg(text);
    MqttEndpoint endpoint;
    endpoint.tls = scheme == u"mqtts";
    endpoint.host = url.host();
    endpoint.port = url.port(endpoint.tls ? 8883 : 1883);
    if (endpoint.port <= 0)
        return QStringLiteral("--mqtt port must be from 1 to 65535, not \"%1\"").arg(text);
    return endpoint;
}

QString endpointText(const MqttEndpoint& endpoint)
{
    const QString host = endpoint.host.contains(u':') ? u'[' + endpoint.host + u']' : endpoint.host;
    return QStringLiteral("%1:%2").arg(host).arg(endpoint.port);
}
