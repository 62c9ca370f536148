// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandConfirmation.h"

#include "Settings.h"

#include <algorithm>

#include <cmath>

QList<CommandConfirmation::Expected> CommandConfirmation::echoedSettings(const ConfigInputs& inputs)
{
    // In the order the frames show them.
    QList<Expected> changed;
    for (const SettingRow& row : kSettings) {
        if (row.echoedBy && row.setting != Setting::Node && !commandText(inputs, row.setting).isEmpty())
            changed.append({settingTitle(row.setting), *row.echoedBy, commandText(inputs, row.setting)});
    }
    std::stable_sort(changed.begin(), changed.end(), [](const Expected& a, const Expected& b) { return a.frameIndex < b.frameIndex; });
    return changed;
}

bool CommandConfirmation::shows(const QString& field, const QString& sent)
{
    const std::optional<double> shown = fieldNumber(QStringView(field));
    const std::optional<double> wanted = fieldNumber(QStringView(sent));
    if (shown && wanted)
        return std::abs(*shown - *wanted) <= 1e-9 * std::max(1.0, std::abs(*wanted));
    return field.trimmed() == sent.trimmed();
}

void CommandConfirmation::queued(qsizetype queued)
{
    m_waiting = queued;
    m_state = State::Waiting;
}

void CommandConfirmation::cancelled()
{
    m_waiting = 0;
    m_state = State::Cancelled;
}

void CommandConfirmation::sent(std::uint8_t sequence, const ConfigInputs& inputs, const QTime& at)
{
    m_waiting = 0;
    m_sequence = sequence;
    m_sentAt = at;
    m_expected = echoedSettings(inputs);
    m_framesSeen = 0;
    m_differences.clear();
    // A command that changes nothing the frames show has nothing to wait for.
    m_state = m_expected.isEmpty() ? State::Applied : State::Checking;
}

void CommandConfirmation::notSent(std::uint8_t sequence, const QString& reason, const QTime& at)
{
    m_waiting = 0;
    m_sequence = sequence;
    m_sentAt = at;
    m_expected.clear();
    m_differences.clear();
    m_notSentReason = reason;
    m_state = State::NotSent;
}

void CommandConfirmation::frameAccepted(const QStringList& fields)
{
    if (m_state != State::Checking)
        return;
    ++m_framesSeen;
    m_differences.clear();
    for (const Expected& setting : m_expected) {
        const QString shown = fields.value(setting.frameIndex);
        if (!shows(shown, setting.sent))
            m_differences.append({setting.name, setting.sent, shown});
    }
    if (m_differences.isEmpty())
        m_state = State::Applied;
    else if (m_framesSeen >= kFramesToCheck)
        m_state = State::NotApplied;
}

QString CommandConfirmation::text(bool portOpen) const
{
    const QString sentLine = QStringLiteral("Sent #%1 at %2").arg(m_sequence).arg(m_sentAt.toString(QStringLiteral("HH:mm:ss")));
    switch (m_state) {
    case State::Idle:
        return {};
    case State::Waiting:
        return (portOpen ? QStringLiteral("Waiting for the node's next frame")
                         : QStringLiteral("Waiting: the port is not open")) +
               QStringLiteral(" (%1 queued)").arg(m_waiting);
    case State::Cancelled:
        return QStringLiteral("Cancelled: nothing was sent");
    case State::NotSent:
        return QStringLiteral("Not sent #%1 at %2: %3")
            .arg(m_sequence)
            .arg(m_sentAt.toString(QStringLiteral("HH:mm:ss")), m_notSentReason);
    case State::Checking:
        return sentLine;
    case State::Applied:
        return sentLine + QStringLiteral(": Applied");
    case State::NotApplied: {
        QStringList differences;
        for (const Difference& d : m_differences)
            differences.append(QStringLiteral("%1 sent %2, node shows %3").arg(d.name, d.sent, d.shown.isEmpty() ? QStringLiteral("nothing") : d.shown));
        return sentLine + QStringLiteral(": Not applied after %1 frames: %2").arg(kFramesToCheck).arg(differences.join(QStringLiteral("; ")));
    }
    }
    return {};
}
