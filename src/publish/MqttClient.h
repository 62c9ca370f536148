// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MqttUrl.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>

struct mosquitto;
class QSocketNotifier;

// An MQTT client on the program's event loop: libmosquitto's socket is watched with socket
// notifiers, so no thread is started. It connects when started and, whenever the broker
// cannot be reached or the connection drops, tries again by itself, waiting 1 s, then
// twice as long each time up to 30 s.
class MqttClient : public QObject {
    Q_OBJECT
public:
    struct Options {
        MqttEndpoint endpoint;
        QString user{};
        QString password{};
        // Published by the broker, retained, when the connection ends without a goodbye.
        QString willTopic{};
        QByteArray willPayload{};
        // TLS: a CA file trusted besides the system's, and a client certificate and key.
        QString caFile{};
        QString certFile{};
        QString keyFile{};
        // The client id at the broker; one of this host and process when empty.
        QString clientId{};
        // Speak MQTT 5, so that a subscription can ask to see the retain flag as it was
        // published (MQTT 3.1.1 clears it on messages to existing subscribers).
        bool mqtt5 = false;
    };

    static constexpr std::chrono::seconds kFirstRetry{1};
    static constexpr std::chrono::seconds kLongestRetry{30};
    static constexpr int kKeepAliveSeconds = 30;
    // Messages kept for the next session while there is no connection (publishQueued).
    static constexpr std::size_t kQueueBound = 1000;
    // How long reading the retained messages may take before it ends with what came.
    static constexpr std::chrono::seconds kRetainedReadLimit{2};

    struct Message {
        QString topic;
        QByteArray payload;
    };

    explicit MqttClient(Options options, QObject* parent = nullptr);
    ~MqttClient() override;

    // Why the client could not be set up (TLS, credentials, will), empty when it could. A
    // client that could not be set up never connects.
    const QString& setUpProblem() const { return m_setUpProblem; }

    void start();
    // The wait before the next try after a failure: 1 s after a connection stood, then
    // twice the last wait, at most 30 s.
    std::chrono::seconds nextRetry() const { return m_backoff; }
    static std::chrono::seconds doubledRetry(std::chrono::seconds wait) { return std::min(wait * 2, kLongestRetry); }
    bool isConnected() const { return m_connected; }
    // Subscribes to a topic filter now and at every later session.
    // With `retainAsPublished` (MQTT 5 only), messages keep the retain flag they were
    // published with.
    void subscribe(const QString& filter, bool retainAsPublished = false);
    // Hands a message to the connection; false, and the message dropped, while there is none.
    bool publish(const QString& topic, const QByteArray& payload, int qos = 0, bool retain = false);
    // Publishes at QoS 1, not retained; while there is no connection the message waits,
    // in order, for the next session, the oldest dropped first beyond kQueueBound.
    void publishQueued(const QString& topic, const QByteArray& payload);
    std::size_t queuedCount() const { return m_queue.size(); }
    // Reads the retained messages the broker holds on `filter` now, once, and hands them to
    // `done` (also with none, and at the latest after kRetainedReadLimit). The filter is
    // subscribed twice: the broker answers the first with its retained messages, so the
    // answer to the second marks their end. Needs a connection; `done` is not called if it
    // drops meanwhile.
    void readRetained(const QString& filter, std::function<void(const QList<Message>&)> done);
    // Ends the session cleanly: what was published goes out, then a disconnect, waiting for
    // the socket at most `deadline`. No retry follows.
    void finish(std::chrono::milliseconds deadline);

Q_SIGNALS:
    // A session started; retained state is to be published again.
    void sessionStarted();
    // A message on a subscribed topic.
    void messageReceived(const QString& topic, const QByteArray& payload, bool retained);
    // The broker became reachable or unreachable: once each way, with the reason.
    void reachabilityChanged(bool reachable, const QString& reason);

private:
    void connectNow();
    void afterLoop(int result);
    // A call made inside one of the library's callbacks: its failure is acted upon by the
    // afterLoop of the loop call that ran the callback, as a failure of that call.
    void noteCallbackResult(int result);
    void watchSocket();
    void dropNotifiers();
    int sendSubscription(const std::pair<QString, bool>& subscription);
    void connectionFailed(const QString& reason);
    void reportReachable(bool reachable, const QString& reason);
    static void onConnect(mosquitto* client, void* self, int result);
    static void onMessage(mosquitto* client, void* self, const struct mosquitto_message* message);
    static void onSubscribe(mosquitto* client, void* self, int messageId, int count, const int* granted);
    static void onPublish(mosquitto* client, void* self, int messageId);
    void exchangeUntil(const QDeadlineTimer& deadline, bool untilAcknowledged);
    void endRetainedRead();

    Options m_options;
    mosquitto* m_client = nullptr;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_retry;
    QTimer m_housekeeping;
    std::chrono::seconds m_backoff = kFirstRetry;
    QString m_refusal;
    int m_callbackFailure = 0; // none yet (MOSQ_ERR_SUCCESS)
    QString m_setUpProblem;
    QList<std::pair<QString, bool>> m_subscriptions; // filter, retain as published
    std::deque<Message> m_queue;
    struct RetainedRead {
        QString filter;
        int endMessageId = -1;
        QList<Message> messages;
        std::function<void(const QList<Message>&)> done;
    };
    std::optional<RetainedRead> m_retainedRead;
    QTimer m_retainedReadLimit;
    // Messages of this session at QoS 1 whose acknowledgement has not come yet.
    std::set<int> m_unacknowledged;
    bool m_connected = false;
    bool m_finished = false;
    enum class Reported { Nothing, Reachable, Unreachable } m_reported = Reported::Nothing;
};
