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
    , m_limiter(kStateSpacing, [this](const QString& node) { publishState(node); })
{
}

StatePublisher::~StatePublisher() = default;

QString StatePublisher::topic(const QString& nodeLevel, const char* leaf) const
{
    return m_prefix + u'/' + nodeLevel + u'/' + QLatin1StringView(leaf);
}

void StatePublisher::frameAccepted(const QStringList& fields, qint64 receivedMsecsSinceEpoch)
{
    // The node rarely changes; its topic level is made again only when it does.
    if (fields.value(0) != m_lastNodeText || m_lastNodeLevel.isEmpty()) {
        m_lastNodeText = fields.value(0);
        m_lastNodeLevel = nodeTopicLevel(m_lastNodeText);
    }
    const QString& node = m_lastNodeLevel;
    m_latest[node] = Latest{fields, receivedMsecsSinceEpoch};
    if (!m_nodes.contains(node)) {
        m_nodes.append(node);
        if (!m_client)
            startClient(node);
        else
            publishAvailability(node);
    }
    m_limiter.offer(node);
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
    if (!m_client->setUpProblem().isEmpty()) {
        Q_EMIT report(m_client->setUpProblem(), true);
        return;
    }
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
            if (m_latest.contains(node))
                publishState(node);
        }
    });
    m_client->start();
}

void StatePublisher::publishState(const QString& nodeLevel)
{
    const auto latest = m_latest.find(nodeLevel);
    if (!m_client || !m_client->isConnected() || latest == m_latest.end())
        return;
    m_client->publish(topic(nodeLevel, "state"), statePayload(latest->fields, latest->receivedMsecsSinceEpoch));
}

void StatePublisher::publishAvailability(const QString& nodeLevel)
{
    if (m_client)
        m_client->publish(topic(nodeLevel, "availability"), m_alive ? kOnline : kOffline, 1, true);
}
