#include "StatePublisher.h"

#include "StatePayload.h"

namespace {

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

} // namespace

StatePublisher::StatePublisher(MqttClient::Options connection, QString prefix, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_prefix(std::move(prefix))
    , m_limiter(kStateSpacing, [this](const QString& node, const QByteArray& payload) { publishState(node, payload); })
{
}

StatePublisher::~StatePublisher() = default;

QString StatePublisher::topic(const QString& nodeLevel, const char* leaf) const
{
    return m_prefix + u'/' + nodeLevel + u'/' + QLatin1StringView(leaf);
}

void StatePublisher::frameAccepted(const QStringList& fields, qint64 receivedMsecsSinceEpoch)
{
    const QString node = nodeTopicLevel(fields.value(0));
    if (!m_nodes.contains(node)) {
        m_nodes.append(node);
        if (!m_client)
            startClient(node);
        else
            publishAvailability(node);
    }
    m_limiter.offer(node, statePayload(fields, receivedMsecsSinceEpoch));
}

void StatePublisher::setLinkAlive(bool alive)
{
    if (alive == m_alive)
        return;
    m_alive = alive;
    for (const QString& node : std::as_const(m_nodes))
        publishAvailability(node);
}

void StatePublisher::finish(std::chrono::milliseconds deadline)
{
    if (!m_client)
        return;
    m_limiter.flush();
    m_alive = false;
    for (const QString& node : std::as_const(m_nodes))
        publishAvailability(node);
    m_client->finish(deadline);
}

void StatePublisher::startClient(const QString& firstNode)
{
    MqttClient::Options options = m_connection;
    options.willTopic = topic(firstNode, "availability");
    options.willPayload = kOffline;
    m_client = std::make_unique<MqttClient>(options);
    const QString broker = endpointText(options.endpoint);
    connect(m_client.get(), &MqttClient::reachabilityChanged, this, [this, broker](bool reachable, const QString& reason) {
        if (reachable)
            Q_EMIT report(QStringLiteral("publishing to MQTT broker %1 under %2/").arg(broker, m_prefix), false);
        else
            Q_EMIT report(QStringLiteral("MQTT broker %1 not reachable: %2; trying again, waiting up to %3 s between tries")
                              .arg(broker, reason)
                              .arg(MqttClient::kLongestRetry.count()),
                          true);
    });
    connect(m_client.get(), &MqttClient::sessionStarted, this, [this] {
        for (const QString& node : std::as_const(m_nodes)) {
            publishAvailability(node);
            if (m_lastState.contains(node))
                publishState(node, m_lastState.value(node));
        }
    });
    m_client->start();
}

void StatePublisher::publishState(const QString& nodeLevel, const QByteArray& payload)
{
    m_lastState.insert(nodeLevel, payload);
    if (m_client && m_client->publish(topic(nodeLevel, "state"), payload))
        ++m_statesPublished;
}

void StatePublisher::publishAvailability(const QString& nodeLevel)
{
    if (m_client)
        m_client->publish(topic(nodeLevel, "availability"), m_alive ? kOnline : kOffline, 1, true);
}
