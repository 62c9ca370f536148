// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Discovery.h"
#include "MqttClient.h"
#include "PublishLimiter.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

// Publishes a line's node frames to an MQTT broker: each node's state under
// PREFIX/LINE/NODE/state at most twice a second with the newest kept, its availability
// under PREFIX/LINE/NODE/availability (retained "online" while its frames come, "offline"
// once none came for six seconds, the line fell silent or the program ends), and the
// logger's own status under PREFIX/LINE/status (retained "online" while connected,
// "offline" at the end and, as the broker's last will, when the connection is lost). At
// every session's start, before "online", a node the broker still holds "online" but this
// run has not heard is set "offline": it may have gone while the logger was away. With
// discovery on, Home Assistant learns each node as a device once it has been seen.
class StatePublisher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kStateSpacing{500};
    static constexpr std::chrono::seconds kNodeFreshFor{6};
    // Home Assistant instances that start together are not all answered at once.
    static constexpr std::chrono::milliseconds kLongestAnnounceDelay{5000};

    struct Settings {
        DiscoveryTopics topics;
        bool discovery = false;
        bool retainState = false;
        // Settings written remotely, announced as controls with discovery.
        QStringList writable;
    };

    StatePublisher(MqttClient::Options connection, Settings settings, QObject* parent = nullptr);

    // Whether a node whose last frame came this long ago is no longer available.
    static bool stale(std::chrono::milliseconds sinceFrame) { return sinceFrame >= kNodeFreshFor; }
    ~StatePublisher() override;

    // Connects now; what comes before the connection is sent once it stands.
    void start();
    // A frame of `node`, a node the line's census counts real.
    void nodeFrame(const QString& node, const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    void setLinkAlive(bool alive);
    // "offline" for every node and the logger, then a clean disconnect within the deadline.
    void finish(std::chrono::milliseconds deadline);
    // The client, once started.
    MqttClient* client() const { return m_client.get(); }

Q_SIGNALS:
    void report(const QString& text, bool problem);

private:
    struct Node {
        QString text;
        QStringList fields;
        qint64 receivedMsecsSinceEpoch = 0;
        QElapsedTimer sinceFrame;
        bool online = false;
    };
    void publishState(const QString& nodeLevel);
    void setOnline(const QString& nodeLevel, Node& node, bool online);
    void announce(const QString& nodeLevel);
    // With discovery, every config again; then each node's newest state, so nothing waits
    // for the next frame.
    void announceAll();
    void checkFreshness();
    // The retained availabilities read at a session's start: the stale are set offline,
    // then the logger says it is online and publishes what it has.
    void sessionReady(const QList<MqttClient::Message>& retained);
    // Connected, and the session's start done.
    bool ready() const { return m_client && m_client->isConnected() && m_sessionReady; }
    void messageReceived(const QString& topic, const QByteArray& payload);
    QString describeConnection() const;

    MqttClient::Options m_connection;
    Settings m_settings;
    std::unique_ptr<MqttClient> m_client;
    PublishLimiter m_limiter;
    QHash<QString, Node> m_nodes;
    QStringList m_order; // nodes in the order they were first seen
    QString m_lastNodeText;
    QString m_lastNodeLevel;
    bool m_sessionReady = false;
    QTimer m_freshness;
    QTimer m_announceDelay;
};
