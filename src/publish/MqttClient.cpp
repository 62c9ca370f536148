// SPDX-License-Identifier: GPL-3.0-or-later
#include "MqttClient.h"

#include "platform/SocketWait.h"
#include "platform/SystemCertificates.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QSysInfo>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

QString resultText(int result)
{
    if (result == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString text = QString::fromUtf8(mosquitto_strerror(result));
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// Unique per process, so two loggers on one machine never push each other off the broker.
QByteArray clientId()
{
    const QByteArray host = QSysInfo::machineHostName().toUtf8().left(12);
    return "zeq4810-" + host + '-' + QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

MqttClient::MqttClient(Options options, QObject* parent) : QObject(parent), m_options(std::move(options))
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });

    const QByteArray id = m_options.clientId.isEmpty() ? clientId() : m_options.clientId.toUtf8();
    m_client = mosquitto_new(id.constData(), true, this);
    if (!m_client) {
        m_setUpProblem = QStringLiteral("cannot make an MQTT client: %1").arg(resultText(MOSQ_ERR_ERRNO));
        return;
    }
    const auto check = [this](int result, const char* what) {
        if (result != MOSQ_ERR_SUCCESS && m_setUpProblem.isEmpty())
            m_setUpProblem = QStringLiteral("%1: %2").arg(QLatin1StringView(what), resultText(result));
    };
    if (m_options.endpoint.tls) {
        const QByteArray caFolder = systemCaFolder();
        const QByteArray caFile = QFile::encodeName(m_options.caFile);
        const QByteArray certFile = QFile::encodeName(m_options.certFile);
        const QByteArray keyFile = QFile::encodeName(m_options.keyFile);
        const auto orNull = [](const QByteArray& text) { return text.isEmpty() ? nullptr : text.constData(); };
        check(mosquitto_tls_set(m_client, orNull(caFile), caFolder.constData(), orNull(certFile), orNull(keyFile), nullptr),
              m_options.caFile.isEmpty() && m_options.certFile.isEmpty()
                  ? "cannot set up TLS with the system's certificate authorities"
                  : "cannot set up TLS with the given CA file, certificate or key (each must be a readable PEM file)");
    }
    if (!m_options.user.isEmpty())
        check(mosquitto_username_pw_set(m_client, m_options.user.toUtf8().constData(),
                                        m_options.password.isEmpty() ? nullptr : m_options.password.toUtf8().constData()),
              "cannot use the MQTT user name and password");
    if (!m_options.willTopic.isEmpty())
        check(mosquitto_will_set(m_client, m_options.willTopic.toUtf8().constData(), int(m_options.willPayload.size()),
                                 m_options.willPayload.constData(), 1, true),
              "cannot set the last will");
    if (m_options.mqtt5)
        check(mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5), "cannot speak MQTT 5");
    mosquitto_connect_callback_set(m_client, &MqttClient::onConnect);
    mosquitto_message_callback_set(m_client, &MqttClient::onMessage);
    mosquitto_subscribe_callback_set(m_client, &MqttClient::onSubscribe);
    mosquitto_publish_callback_set(m_client, &MqttClient::onPublish);

    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::connectNow);
    // Keep-alive pings and the check for a silent broker.
    m_housekeeping.setInterval(std::chrono::seconds(1));
    connect(&m_housekeeping, &QTimer::timeout, this, [this] { afterLoop(mosquitto_loop_misc(m_client)); });
    m_retainedReadLimit.setSingleShot(true);
    m_retainedReadLimit.setInterval(kRetainedReadLimit);
    connect(&m_retainedReadLimit, &QTimer::timeout, this, [this] {
        endRetainedRead();
        if (m_connected)
            afterLoop(MOSQ_ERR_SUCCESS);
    });
}

MqttClient::~MqttClient()
{
    dropNotifiers();
    mosquitto_destroy(m_client);
}

void MqttClient::start()
{
    if (!m_setUpProblem.isEmpty())
        return;
    m_finished = false;
    connectNow();
}

void MqttClient::connectNow()
{
    if (m_finished)
        return;
    m_refusal.clear();
    const QByteArray host = m_options.endpoint.host.toUtf8();
    const int result = mosquitto_connect_async(m_client, host.constData(), m_options.endpoint.port, kKeepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        connectionFailed(resultText(result));
        return;
    }
    watchSocket();
    m_housekeeping.start();
}

void MqttClient::subscribe(const QString& filter, bool retainAsPublished)
{
    const std::pair<QString, bool> subscription{filter, retainAsPublished && m_options.mqtt5};
    if (!m_subscriptions.contains(subscription))
        m_subscriptions.append(subscription);
    if (m_connected)
        afterLoop(sendSubscription(subscription));
}

int MqttClient::sendSubscription(const std::pair<QString, bool>& subscription)
{
    const QByteArray filter = subscription.first.toUtf8();
    if (m_options.mqtt5)
        return mosquitto_subscribe_v5(m_client, nullptr, filter.constData(), 1,
                                      subscription.second ? MQTT_SUB_OPT_RETAIN_AS_PUBLISHED : 0, nullptr);
    return mosquitto_subscribe(m_client, nullptr, filter.constData(), 1);
}

bool MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain)
{
    if (!m_connected)
        return false;
    int messageId = 0;
    const int result = mosquitto_publish(m_client, &messageId, topic.toUtf8().constData(), int(payload.size()),
                                         payload.constData(), qos, retain);
    if (result == MOSQ_ERR_SUCCESS && qos > 0)
        m_unacknowledged.insert(messageId);
    // A message too large for the broker is dropped; the connection itself is fine.
    afterLoop(result == MOSQ_ERR_PAYLOAD_SIZE ? MOSQ_ERR_SUCCESS : result);
    return result == MOSQ_ERR_SUCCESS;
}

void MqttClient::publishQueued(const QString& topic, const QByteArray& payload)
{
    if (m_connected && publish(topic, payload, 1))
        return;
    if (m_queue.size() == kQueueBound)
        m_queue.pop_front();
    m_queue.push_back({topic, payload});
}

void MqttClient::readRetained(const QString& filter, std::function<void(const QList<Message>&)> done)
{
    if (!m_connected)
        return;
    const QByteArray bytes = filter.toUtf8();
    int end = -1;
    if (mosquitto_subscribe(m_client, nullptr, bytes.constData(), 1) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(m_client, &end, bytes.constData(), 1) != MOSQ_ERR_SUCCESS) {
        done({});
        return;
    }
    m_retainedRead = RetainedRead{filter, end, {}, std::move(done)};
    m_retainedReadLimit.start();
    afterLoop(MOSQ_ERR_SUCCESS);
}

void MqttClient::endRetainedRead()
{
    m_retainedReadLimit.stop();
    if (!m_retainedRead)
        return;
    RetainedRead read = *std::exchange(m_retainedRead, std::nullopt);
    // Messages on the filter from now on would be the second subscription's copies.
    if (m_connected)
        noteCallbackResult(mosquitto_unsubscribe(m_client, nullptr, read.filter.toUtf8().constData()));
    read.done(read.messages);
}

void MqttClient::finish(std::chrono::milliseconds deadline)
{
    m_finished = true;
    m_retry.stop();
    m_housekeeping.stop();
    if (m_connected) {
        // The program is ending: wait here, briefly, for the socket to take the last
        // messages and for the broker to acknowledge them, then for the disconnect; the
        // event loop has nothing else left to do. The connection closes as the disconnect
        // goes: were the acknowledgements still unread then, the socket would be reset,
        // and a broker that sees the reset before the bytes ahead of it drops them (the
        // last states and "offline" were lost so on a busy machine).
        const QDeadlineTimer timer(deadline);
        exchangeUntil(timer, true);
        mosquitto_disconnect(m_client);
        exchangeUntil(timer, false);
    }
    m_connected = false;
    dropNotifiers();
}

void MqttClient::exchangeUntil(const QDeadlineTimer& deadline, bool untilAcknowledged)
{
    int socket = mosquitto_socket(m_client);
    while (socket >= 0 && !deadline.hasExpired()) {
        int result = MOSQ_ERR_SUCCESS;
        if (mosquitto_want_write(m_client)) {
            if (!waitUntilWritable(socket, int(deadline.remainingTime())))
                return;
            result = mosquitto_loop_write(m_client, 1);
        } else if (untilAcknowledged && !m_unacknowledged.empty()) {
            if (!waitUntilReadable(socket, int(deadline.remainingTime())))
                return;
            result = mosquitto_loop_read(m_client, 1);
        } else {
            return;
        }
        if (result != MOSQ_ERR_SUCCESS)
            return;
        socket = mosquitto_socket(m_client);
    }
}

void MqttClient::onConnect(mosquitto*, void* self, int result)
{
    auto* client = static_cast<MqttClient*>(self);
    if (result != 0) {
        // The broker answered but refused; it closes the connection next.
        client->m_refusal = QString::fromUtf8(client->m_options.mqtt5 ? mosquitto_reason_string(result) : mosquitto_connack_string(result));
        if (client->m_refusal.endsWith(u'.'))
            client->m_refusal.chop(1);
        return;
    }
    client->m_connected = true;
    client->m_backoff = kFirstRetry;
    client->m_unacknowledged.clear();
    client->reportReachable(true, QString());
    for (const auto& subscription : std::as_const(client->m_subscriptions))
        client->noteCallbackResult(client->sendSubscription(subscription));
    // What waited for this session goes first, in the order it was published.
    // A message the broker refuses outright goes too; one cut off by a lost connection waits.
    while (!client->m_queue.empty() && client->m_connected) {
        const Message& message = client->m_queue.front();
        if (client->publish(message.topic, message.payload, 1) || client->m_connected)
            client->m_queue.pop_front();
    }
    Q_EMIT client->sessionStarted();
}

void MqttClient::onSubscribe(mosquitto*, void* self, int messageId, int, const int*)
{
    auto* client = static_cast<MqttClient*>(self);
    if (client->m_retainedRead && client->m_retainedRead->endMessageId == messageId)
        client->endRetainedRead();
}

void MqttClient::onPublish(mosquitto*, void* self, int messageId) { static_cast<MqttClient*>(self)->m_unacknowledged.erase(messageId); }

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* client = static_cast<MqttClient*>(self);
    // What comes while the client says goodbye is not acted upon.
    if (client->m_finished)
        return;
    bool matches = false;
    if (client->m_retainedRead && message->retain &&
        mosquitto_topic_matches_sub(client->m_retainedRead->filter.toUtf8().constData(), message->topic, &matches) == MOSQ_ERR_SUCCESS &&
        matches)
        client->m_retainedRead->messages.append(
            {QString::fromUtf8(message->topic), QByteArray(static_cast<const char*>(message->payload), message->payloadlen)});
    Q_EMIT client->messageReceived(QString::fromUtf8(message->topic),
                                   QByteArray(static_cast<const char*>(message->payload), message->payloadlen), message->retain);
}

void MqttClient::noteCallbackResult(int result)
{
    if (result != MOSQ_ERR_SUCCESS && result != MOSQ_ERR_NO_CONN && m_callbackFailure == MOSQ_ERR_SUCCESS)
        m_callbackFailure = result;
}

void MqttClient::afterLoop(int result)
{
    // A call that failed inside a callback counts as the loop call's own failure.
    const int callbackFailure = std::exchange(m_callbackFailure, MOSQ_ERR_SUCCESS);
    if (result == MOSQ_ERR_SUCCESS)
        result = callbackFailure;
    if (m_finished)
        return;
    if (mosquitto_socket(m_client) < 0 || (result != MOSQ_ERR_SUCCESS && result != MOSQ_ERR_NO_CONN)) {
        const QString reason = !m_refusal.isEmpty() ? m_refusal
                               : result == MOSQ_ERR_SUCCESS || result == MOSQ_ERR_NO_CONN
                                   ? QStringLiteral("the connection was closed")
                                   : resultText(result);
        connectionFailed(reason);
        return;
    }
    if (m_writable)
        m_writable->setEnabled(mosquitto_want_write(m_client));
}

void MqttClient::watchSocket()
{
    const int socket = mosquitto_socket(m_client);
    if (m_readable && m_readable->socket() == socket)
        return;
    dropNotifiers();
    if (socket < 0)
        return;
    m_readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    m_writable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(m_readable.get(), &QSocketNotifier::activated, this, [this] { afterLoop(mosquitto_loop_read(m_client, 1)); });
    connect(m_writable.get(), &QSocketNotifier::activated, this, [this] { afterLoop(mosquitto_loop_write(m_client, 1)); });
    m_writable->setEnabled(mosquitto_want_write(m_client));
}

void MqttClient::dropNotifiers()
{
    // Disabled at once, deleted later: this may run inside one of their own signals.
    for (auto* notifier : {&m_readable, &m_writable}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier).release()->deleteLater();
        }
    }
}

void MqttClient::connectionFailed(const QString& reason)
{
    m_connected = false;
    // A read that the connection did not finish is dropped; the next session reads anew.
    m_retainedRead.reset();
    m_retainedReadLimit.stop();
    m_housekeeping.stop();
    // A socket the library still holds is closed, so the next attempt starts clean.
    if (mosquitto_socket(m_client) >= 0)
        mosquitto_disconnect(m_client);
    dropNotifiers();
    reportReachable(false, reason);
    m_retry.start(m_backoff);
    m_backoff = doubledRetry(m_backoff);
}

void MqttClient::reportReachable(bool reachable, const QString& reason)
{
    const Reported now = reachable ? Reported::Reachable : Reported::Unreachable;
    if (m_reported == now)
        return;
    m_reported = now;
    Q_EMIT reachabilityChanged(reachable, reason);
}
