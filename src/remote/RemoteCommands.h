// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RemoteSetting.h"
#include "RepeatedReport.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

class LineSession;
class MqttClient;

// Configuration commands from MQTT: a value on LINETOPIC/NODE/set/SETTING for a setting
// allowed by the site goes to the node through the line session's send path, after
// checks, and each write gets its results on LINETOPIC/NODE/command: "waiting", "sent",
// then "applied" or "not_applied" as the node's frames tell, or "rejected" or "expired"
// with the reason. Results wait for the broker while it is away. A write for a node this
// line has not carried gets no answer: another line's logger under the same prefix may be
// the one it is for. One command is in flight at a time; writes that come meanwhile merge
// into the next one, the newest value of a setting winning. A sent command whose node
// falls silent before its frames tell ends "not_applied". Refusals go to the journal at
// most once a minute per setting and reason.
class RemoteCommands : public QObject {
    Q_OBJECT
public:
    // A command the send window has not taken by then is dropped.
    static constexpr std::chrono::seconds kExpiry{10};

    // `lineTopic` is PREFIX/LINE.
    RemoteCommands(MqttClient& client, LineSession& session, QString lineTopic, QList<RemoteSetting> writable,
                   QObject* parent = nullptr);

    // Subscribes to the set topics; once connected, the broker is asked again at every
    // new session.
    void start();
    QString subscription() const { return m_lineTopic + QStringLiteral("/+/set/+"); }

    // A message on a set topic (public so tests and the fuzzer can feed it).
    void messageReceived(const QString& topic, const QByteArray& payload, bool retained);

Q_SIGNALS:
    // A line for the journal; `problem` for refusals and commands that failed.
    void report(const QString& text, bool problem);

private:
    struct Request {
        quint64 id = 0;
        QString settingName; // as the topic names it
        RemoteSetting setting{};
        QString value;       // as it goes on the wire, or as received when refused
    };
    struct Command {
        QString nodeLevel;
        QList<Request> requests;
        ConfigInputs inputs;
        bool sent = false;
        std::uint8_t sequence = 0;
    };

    // Whether one of the nodes the line's census counts goes by `nodeLevel` in topics.
    bool lineCarries(const QString& nodeLevel) const;
    void senderChanged();
    void expire();
    void submit(Command command);
    void finish(const char* status, const QString& reason);
    void publishResult(const QString& nodeLevel, const Request& request, const char* status, const QString& reason,
                       std::optional<std::uint8_t> sequence = std::nullopt);
    // `kind` groups refusals for the journal: one line a minute per setting and kind.
    void refuse(const QString& nodeLevel, const Request& request, const char* kind, const QString& reason);

    MqttClient& m_client;
    LineSession& m_session;
    QString m_lineTopic;
    QList<RemoteSetting> m_writable;
    std::optional<Command> m_inFlight;
    std::optional<Command> m_next;
    RepeatedReport m_refusals;
    QTimer m_expiry;
    quint64 m_nextId = 1;
};
