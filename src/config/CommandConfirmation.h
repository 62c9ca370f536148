// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ConfigCommand.h"
#include "telemetry/FrameFields.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>

// What became of the last configuration command: waiting for the send window, sent, and
// then whether the node's next status frames show what it set. The node sends no reply,
// but its frames carry its settings, so they tell.
class CommandConfirmation {
public:
    static constexpr int kFramesToCheck = 3;

    enum class State { Idle, Waiting, Cancelled, NotSent, Checking, Applied, NotApplied };

    // One setting the command changed and the frame field that shows it.
    struct Expected {
        QString name;
        FrameField::Index frameIndex;
        QString sent;
    };
    struct Difference {
        QString name;
        QString sent;
        QString shown;
    };

    // The settings a command changes that the node's frames echo: the four set points,
    // HOT-COLD, mode, PWM and the two relays. Empty inputs change nothing and are left out.
    static QList<Expected> echoedSettings(const ConfigInputs& inputs);
    // Whether a frame field shows the sent value: as numbers when both read as one
    // ("20" is "20.0"), else as the same text.
    static bool shows(const QString& field, const QString& sent);

    // A command was queued; `queued` commands now wait.
    void queued(qsizetype queued);
    // The waiting commands were removed.
    void cancelled();
    // The command with this sequence number went out at `at`; it supersedes any check
    // still running for an earlier one.
    void sent(std::uint8_t sequence, const ConfigInputs& inputs, const QTime& at);
    // The command with this sequence number could not be written whole at `at`.
    void notSent(std::uint8_t sequence, const QString& reason, const QTime& at);
    // Whether the status line tells of a failure.
    bool failed() const { return m_state == State::NotSent || m_state == State::NotApplied; }
    // An accepted status frame.
    void frameAccepted(const QStringList& fields);

    State state() const { return m_state; }
    qsizetype waiting() const { return m_waiting; }
    // The sequence number of the command last sent or not sent.
    std::uint8_t sequence() const { return m_sequence; }
    const QList<Difference>& differences() const { return m_differences; }
    // The status line, as plain text; `portOpen` says whether a waiting command can go.
    QString text(bool portOpen) const;

private:
    State m_state = State::Idle;
    qsizetype m_waiting = 0;
    std::uint8_t m_sequence = 0;
    QTime m_sentAt;
    QList<Expected> m_expected;
    int m_framesSeen = 0;
    QList<Difference> m_differences;
    QString m_notSentReason;
};
