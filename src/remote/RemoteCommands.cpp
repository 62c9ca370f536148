// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteCommands.h"

#include "logging/IsoTime.h"
#include "publish/MqttClient.h"
#include "publish/StatePayload.h"
#include "session/LineSession.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// The set points of `later` over those of `earlier`: what the node will hold once both
// commands are applied.
ConfigInputs setPointsAfter(const ConfigInputs& earlier, const ConfigInputs& later)
{
    ConfigInputs merged = earlier;
    for (auto member : {&ConfigInputs::lowTemperature, &ConfigInputs::highTemperature, &ConfigInputs::lowHumidity, &ConfigInputs::highHumidity})
        if (!(later.*member).isEmpty())
            merged.*member = later.*member;
    return merged;
}

// Refusals go to the journal grouped by setting; a name that is no setting is one group,
// so that a flood of made-up names is one line a minute too.
QString journalGroup(const QString& settingName)
{
    return remoteSettingNamed(settingName) || settingName == QLatin1String("node") ? settingName : QStringLiteral("?");
}

} // namespace

RemoteCommands::RemoteCommands(MqttClient& client, LineSession& session, QString lineTopic, QList<RemoteSetting> writable, QObject* parent)
    : QObject(parent), m_client(client), m_session(session), m_lineTopic(std::move(lineTopic)), m_writable(std::move(writable))
{
    connect(&m_refusals, &RepeatedReport::report, this, [this](const QString& text) { Q_EMIT report(text, true); });
    m_expiry.setSingleShot(true);
    m_expiry.setInterval(kExpiry);
    connect(&m_expiry, &QTimer::timeout, this, &RemoteCommands::expire);
    connect(&m_session.sender(), &ConfigSender::statusChanged, this, &RemoteCommands::senderChanged);
    // Frames tell whether a sent command took; with none coming, it would stay in flight
    // and hold every later write back.
    connect(&m_session, &LineSession::silenced, this, [this] {
        if (m_inFlight && m_inFlight->sent)
            finish("not_applied", QStringLiteral("the line fell silent before the node showed the values sent"));
    });
}

void RemoteCommands::start()
{
    connect(&m_client, &MqttClient::messageReceived, this, &RemoteCommands::messageReceived);
    m_client.subscribe(subscription(), true);
}

bool RemoteCommands::lineCarries(const QString& nodeLevel) const
{
    const QStringList& nodes = m_session.census().nodes();
    return std::any_of(nodes.cbegin(), nodes.cend(), [&nodeLevel](const QString& node) { return nodeTopicLevel(node) == nodeLevel; });
}

void RemoteCommands::messageReceived(const QString& topic, const QByteArray& payload, bool retained)
{
    const std::optional<SetTopic> parsed = parseSetTopic(m_lineTopic, topic);
    if (!parsed)
        return;
    const QString& nodeLevel = parsed->nodeLevel;
    const std::optional<RemoteSetting> setting = remoteSettingNamed(parsed->settingName);
    if (!lineCarries(nodeLevel)) {
        m_refusals.say(journalGroup(parsed->settingName) + QStringLiteral(" unknown node"),
                       QStringLiteral("write to %1 left unanswered: no node %2 on this line").arg(topic.left(200), nodeLevel));
        return;
    }
    Request request;
    request.id = m_nextId++;
    request.settingName = parsed->settingName;
    request.value = QString::fromUtf8(payload.left(64));
    if (!setting) {
        if (parsed->settingName == QLatin1String("node"))
            refuse(nodeLevel, request, "node", QStringLiteral("the node number cannot be written from afar"));
        else
            refuse(nodeLevel, request, "unknown", QStringLiteral("unknown setting"));
        return;
    }
    request.setting = *setting;
    if (retained) {
        refuse(nodeLevel, request, "retained", QStringLiteral("retained messages are refused: a retained set would be replayed at every reconnect"));
        return;
    }
    if (!m_writable.contains(*setting)) {
        refuse(nodeLevel, request, "not listed", QStringLiteral("not among the settings this logger may write (--mqtt-commands)"));
        return;
    }
    const RemoteValue value = remoteValue(*setting, payload);
    if (!value.refusal.isEmpty()) {
        refuse(nodeLevel, request, "value", value.refusal);
        return;
    }
    request.value = value.value;
    const NodeCensus& census = m_session.census();
    if (const QString current = nodeTopicLevel(census.currentNode()); nodeLevel != current) {
        refuse(nodeLevel, request, "other node", QStringLiteral("node %1 is not the node on this line now (%2)").arg(nodeLevel, current));
        return;
    }
    if (!m_session.hasFreshFrame()) {
        refuse(nodeLevel, request, "silent", QStringLiteral("no fresh frame from node %1: the line is silent").arg(nodeLevel));
        return;
    }
    // The write joins the command to be sent next: at once when none is in flight, else
    // after the one in flight, whose set points count as the node's by then.
    Command next = m_next.value_or(Command{});
    ConfigInputs candidate = next.inputs;
    applyRemoteValue(candidate, *setting, request.value);
    if (const std::optional<QString> reason = lowAboveHigh(m_inFlight ? setPointsAfter(m_inFlight->inputs, candidate) : candidate, census.currentFields())) {
        refuse(nodeLevel, request, "low above high", *reason);
        return;
    }
    // The newest value of a setting wins; the write it replaces ends here.
    for (qsizetype i = 0; i < next.requests.size(); ++i) {
        if (next.requests[i].setting == *setting) {
            publishResult(nodeLevel, next.requests[i], "rejected", QStringLiteral("replaced by a newer value (id %1)").arg(request.id));
            next.requests.removeAt(i);
            break;
        }
    }
    next.nodeLevel = nodeLevel;
    next.inputs = candidate;
    next.requests.append(request);
    publishResult(nodeLevel, request, "waiting", m_inFlight ? QStringLiteral("after the command in flight") : QString());
    if (m_inFlight)
        m_next = std::move(next);
    else
        submit(std::move(next));
}

void RemoteCommands::submit(Command command)
{
    m_inFlight = std::move(command);
    m_expiry.start();
    // The send window may be open: the sender can send, and tell of it, right away.
    m_session.sender().submit(m_inFlight->inputs);
}

void RemoteCommands::senderChanged()
{
    if (!m_inFlight)
        return;
    const CommandConfirmation& confirmation = m_session.sender().confirmation();
    switch (confirmation.state()) {
    case CommandConfirmation::State::Checking:
        if (!m_inFlight->sent) {
            m_inFlight->sent = true;
            m_inFlight->sequence = m_session.sender().txSequence();
            m_expiry.stop();
            for (const Request& request : std::as_const(m_inFlight->requests))
                publishResult(m_inFlight->nodeLevel, request, "sent", QString(), m_inFlight->sequence);
        }
        break;
    case CommandConfirmation::State::Applied:
        finish("applied", QString());
        break;
    case CommandConfirmation::State::NotApplied: {
        QStringList differences;
        for (const CommandConfirmation::Difference& difference : confirmation.differences())
            differences.append(QStringLiteral("%1 sent %2, node shows %3").arg(difference.name, difference.sent, difference.shown));
        finish("not_applied", QStringLiteral("not applied after %1 frames: %2").arg(CommandConfirmation::kFramesToCheck).arg(differences.join(QStringLiteral("; "))));
        break;
    }
    case CommandConfirmation::State::NotSent:
        finish("not_applied", QStringLiteral("could not be written to the line: %1").arg(m_session.sender().statusText()));
        break;
    default:
        break;
    }
}

void RemoteCommands::expire()
{
    if (!m_inFlight || m_inFlight->sent)
        return;
    m_session.sender().cancel();
    finish("expired", QStringLiteral("not sent within %1 s: no frame from the node opened the send window").arg(kExpiry.count()));
}

void RemoteCommands::finish(const char* status, const QString& reason)
{
    const Command done = *std::exchange(m_inFlight, std::nullopt);
    m_expiry.stop();
    for (const Request& request : done.requests)
        publishResult(done.nodeLevel, request, status, reason, done.sent ? std::optional(done.sequence) : std::nullopt);
    QStringList settings;
    for (const Request& request : done.requests)
        settings.append(request.settingName + u'=' + request.value);
    Q_EMIT report(QStringLiteral("remote command for node %1 (%2)%3: %4%5")
                      .arg(done.nodeLevel, settings.join(QStringLiteral(", ")),
                           done.sent ? QStringLiteral(" #%1").arg(done.sequence) : QString(), QLatin1StringView(status),
                           reason.isEmpty() ? QString() : QStringLiteral(", ") + reason),
                  QLatin1StringView(status) != QLatin1String("applied"));
    if (m_next)
        submit(*std::exchange(m_next, std::nullopt));
}

void RemoteCommands::refuse(const QString& nodeLevel, const Request& request, const char* kind, const QString& reason)
{
    publishResult(nodeLevel, request, "rejected", reason);
    m_refusals.say(journalGroup(request.settingName) + u' ' + QLatin1StringView(kind), QStringLiteral("remote command id %1 for node %2 refused (%3=%4): %5")
                                                                      .arg(request.id)
                                                                      .arg(nodeLevel, request.settingName, request.value, reason));
}

void RemoteCommands::publishResult(const QString& nodeLevel, const Request& request, const char* status, const QString& reason,
                                   std::optional<std::uint8_t> sequence)
{
    const QJsonObject result{
        {"id", static_cast<qint64>(request.id)},
        {"setting", request.settingName},
        {"sent", request.value},
        {"status", QLatin1StringView(status)},
        {"reason", reason.isEmpty() ? QJsonValue() : QJsonValue(reason)},
        {"sequence", sequence ? QJsonValue(int(*sequence)) : QJsonValue()},
        {"at", QString::fromLatin1(isoLocalWithOffset(QDateTime::currentMSecsSinceEpoch()))},
    };
    m_client.publishQueued(m_lineTopic + u'/' + nodeLevel + QStringLiteral("/command"), QJsonDocument(result).toJson(QJsonDocument::Compact));
}
