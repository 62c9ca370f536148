#pragma once

#include "MqttClient.h"
#include "PublishLimiter.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <memory>

// Publishes a line's frames to an MQTT broker under PREFIX/<node>/state, at most twice a
// second for each node, and the node's availability under PREFIX/<node>/availability:
// retained "online" while fresh frames come, "offline" when they stop, when the program
// ends, and, as the broker's last will, when the connection is lost.
// The broker is first contacted at the first frame, whose node number names the topics.
class StatePublisher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kStateSpacing{500};

    StatePublisher(MqttClient::Options connection, QString prefix, QObject* parent = nullptr);
    ~StatePublisher() override;

    void frameAccepted(const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    void setLinkAlive(bool alive);
    // "offline" for every node, then a clean disconnect within the deadline.
    void finish(std::chrono::milliseconds deadline);

    QString topic(const QString& nodeLevel, const char* leaf) const;

Q_SIGNALS:
    void report(const QString& text, bool problem);

private:
    void startClient(const QString& firstNode);
    void publishState(const QString& nodeLevel);
    void publishAvailability(const QString& nodeLevel);

    MqttClient::Options m_connection;
    QString m_prefix;
    std::unique_ptr<MqttClient> m_client;
    PublishLimiter m_limiter;
    QStringList m_nodes;
    // The newest frame of each node, made into a payload only when it goes out.
    struct Latest {
        QStringList fields;
        qint64 receivedMsecsSinceEpoch = 0;
    };
    QHash<QString, Latest> m_latest;
    QString m_lastNodeText;
    QString m_lastNodeLevel;
    bool m_alive = false;
};
