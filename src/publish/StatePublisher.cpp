// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatePublisher.h"

#include "StatePayload.h"

#include <QRandomGenerator>

namespace {

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

} // namespace

StatePublisher::StatePublisher(MqttClient::Options connection, Settings settings, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_settings(std::move(settings))
    , m_limiter(kStateSpacing, [this](const QString& node) { publishState(node); })
{
    m_freshness.setInterval(std::chrono::seconds(1));
    connect(&m_freshness, &QTimer::timeout, this, &StatePublisher::checkFreshness);
    m_announceDelay.setSingleShot(true);
    connect(&m_announceDelay, &QTimer::timeout, this, &StatePublisher::announceAll);
}

StatePublisher::~StatePublisher() = default;

QString StatePublisher::describeConnection() const
{
    QStringList traits;
    traits.append(m_connection.endpoint.tls ? QStringLiteral("TLS") : QStringLiteral("no TLS"));
    if (!m_connection.certFile.isEmpty())
        traits.append(QStringLiteral("client certificate"));
    traits.append(m_connection.user.isEmpty() ? QStringLiteral("no user")
                                              : QStringLiteral("user %1%2").arg(m_connection.user, m_connection.password.isEmpty()
                                                                                                     ? QStringLiteral(" without password")
                                                                                                     : QString()));
    return traits.join(QStringLiteral(", "));
}

void StatePublisher::start()
{
    MqttClient::Options options = m_connection;
    options.willTopic = m_settings.topics.lineStatus();
    options.willPayload = kOffline;
    m_client = std::make_unique<MqttClient>(options);
    if (!m_client->setUpProblem().isEmpty()) {
        Q_EMIT report(m_client->setUpProblem(), true);
        return;
    }
    const QString broker = endpointText(options.endpoint);
    connect(m_client.get(), &MqttClient::reachabilityChanged, this, [this, broker](bool reachable, const QString& reason) {
        if (reachable)
            Q_EMIT report(QStringLiteral("publishing to MQTT broker %1 (%2) under %3/")
                              .arg(broker, describeConnection(), m_settings.topics.lineTopic()),
                          false);
        else
            Q_EMIT report(QStringLiteral("MQTT broker %1 not reachable: %2; trying again, waiting up to %3 s between tries")
                              .arg(broker, reason)
                              .arg(MqttClient::kLongestRetry.count()),
                          true);
    });
    connect(m_client.get(), &MqttClient::sessionStarted, this, [this] {
        m_sessionReady = false;
        m_client->readRetained(m_settings.topics.nodeTopic(QStringLiteral("+"), "availability"),
                               [this](const QList<MqttClient::Message>& retained) { sessionReady(retained); });
    });
    connect(m_client.get(), &MqttClient::messageReceived, this,
            [this](const QString& topic, const QByteArray& payload, bool) { messageReceived(topic, payload); });
    if (m_settings.discovery)
        m_client->subscribe(m_settings.topics.homeAssistantStatus());
    m_client->start();
    m_freshness.start();
}

void StatePublisher::sessionReady(const QList<MqttClient::Message>& retained)
{
    const QString start = m_settings.topics.lineTopic() + u'/';
    const QString end = QStringLiteral("/availability");
    for (const MqttClient::Message& message : retained) {
        const QString level = message.topic.mid(start.size(), message.topic.size() - start.size() - end.size());
        if (message.payload == kOnline && !m_nodes.contains(level))
            m_client->publish(message.topic, kOffline, 1, true);
    }
    m_sessionReady = true;
    m_client->publish(m_settings.topics.lineStatus(), kOnline, 1, true);
    for (const QString& node : std::as_const(m_order))
        m_client->publish(m_settings.topics.nodeTopic(node, "availability"), m_nodes[node].online ? kOnline : kOffline, 1, true);
    announceAll();
}

void StatePublisher::nodeFrame(const QString& nodeText, const QStringList& fields, qint64 receivedMsecsSinceEpoch)
{
    // The node rarely changes; its topic level is made again only when it does.
    if (nodeText != m_lastNodeText || m_lastNodeLevel.isEmpty()) {
        m_lastNodeText = nodeText;
        m_lastNodeLevel = nodeTopicLevel(m_lastNodeText);
    }
    const QString& level = m_lastNodeLevel;
    const bool known = m_nodes.contains(level);
    Node& node = m_nodes[level];
    node.text = m_lastNodeText;
    node.fields = fields;
    node.receivedMsecsSinceEpoch = receivedMsecsSinceEpoch;
    node.sinceFrame.start();
    if (!known) {
        m_order.append(level);
        if (m_settings.discovery)
            announce(level);
    }
    setOnline(level, node, true);
    m_limiter.offer(level);
}

void StatePublisher::setLinkAlive(bool alive)
{
    if (alive)
        return; // each node says so with its own next frame
    for (const QString& level : std::as_const(m_order))
        setOnline(level, m_nodes[level], false);
}

void StatePublisher::checkFreshness()
{
    for (const QString& level : std::as_const(m_order)) {
        Node& node = m_nodes[level];
        if (node.online && stale(std::chrono::milliseconds(node.sinceFrame.elapsed())))
            setOnline(level, node, false);
    }
}

void StatePublisher::setOnline(const QString& nodeLevel, Node& node, bool online)
{
    if (node.online == online)
        return;
    node.online = online;
    if (ready())
        m_client->publish(m_settings.topics.nodeTopic(nodeLevel, "availability"), online ? kOnline : kOffline, 1, true);
}

void StatePublisher::finish(std::chrono::milliseconds deadline)
{
    if (!m_client)
        return;
    m_limiter.flush();
    m_freshness.stop();
    m_announceDelay.stop();
    // Every node is said offline at the end, even while a session's start is still reading.
    m_sessionReady = m_client->isConnected();
    setLinkAlive(false);
    m_client->publish(m_settings.topics.lineStatus(), kOffline, 1, true);
    m_client->finish(deadline);
}

void StatePublisher::publishState(const QString& nodeLevel)
{
    const auto node = m_nodes.constFind(nodeLevel);
    if (!ready() || node == m_nodes.cend() || node->fields.isEmpty())
        return;
    m_client->publish(m_settings.topics.nodeTopic(nodeLevel, "state"), statePayload(node->fields, node->receivedMsecsSinceEpoch), 0,
                      m_settings.retainState);
}

void StatePublisher::announce(const QString& nodeLevel)
{
    if (!ready())
        return; // the session's start announces every node seen
    for (const DiscoveryMessage& message : nodeDiscovery(m_settings.topics, nodeLevel, m_nodes[nodeLevel].text, m_settings.writable))
        m_client->publish(message.topic, message.payload, 1, true);
}

void StatePublisher::announceAll()
{
    if (!ready())
        return;
    if (m_settings.discovery) {
        const DiscoveryMessage bridge = bridgeDiscovery(m_settings.topics);
        m_client->publish(bridge.topic, bridge.payload, 1, true);
    }
    for (const QString& node : std::as_const(m_order)) {
        if (m_settings.discovery)
            announce(node);
        // Its entities read their state at once, not only at the next frame.
        publishState(node);
    }
}

void StatePublisher::messageReceived(const QString& topic, const QByteArray& payload)
{
    if (topic != m_settings.topics.homeAssistantStatus() || payload != kOnline || m_announceDelay.isActive())
        return;
    m_announceDelay.start(std::chrono::milliseconds(QRandomGenerator::global()->bounded(int(kLongestAnnounceDelay.count()) + 1)));
}
