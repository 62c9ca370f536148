#include "CommandConfirmation.h"

#include <cmath>

QList<CommandConfirmation::Setting> CommandConfirmation::echoedSettings(const ConfigInputs& inputs)
{
    using Relay = ConfigInputs::Relay;
    using HotCold = ConfigInputs::HotCold;
    const auto relay = [](Relay r) { return r == Relay::On ? QStringLiteral("1") : r == Relay::Off ? QStringLiteral("0") : QString(); };
    const QString hotCold = inputs.hotCold == HotCold::HH   ? QStringLiteral("11")
                            : inputs.hotCold == HotCold::HC ? QStringLiteral("10")
                            : inputs.hotCold == HotCold::CH ? QStringLiteral("1")
                            : inputs.hotCold == HotCold::CC ? QStringLiteral("0")
                                                            : QString();
    const QList<Setting> all{
        {QStringLiteral("Low temperature point"), 3, inputs.lowTemperature},
        {QStringLiteral("High temperature point"), 4, inputs.highTemperature},
        {QStringLiteral("Low humidity point"), 5, inputs.lowHumidity},
        {QStringLiteral("High humidity point"), 6, inputs.highHumidity},
        {QStringLiteral("HOT-COLD"), 7, hotCold},
        {QStringLiteral("Mode"), 8, inputs.mode},
        {QStringLiteral("PWM"), 9, inputs.pwm},
        {QStringLiteral("Relay1"), 10, relay(inputs.relay1)},
        {QStringLiteral("Relay2"), 11, relay(inputs.relay2)},
    };
    QList<Setting> changed;
    for (const Setting& setting : all) {
        if (!setting.sent.isEmpty())
            changed.append(setting);
    }
    return changed;
}

bool CommandConfirmation::shows(const QString& field, const QString& sent)
{
    bool fieldIsNumber = false;
    bool sentIsNumber = false;
    const double shown = field.trimmed().toDouble(&fieldIsNumber);
    const double wanted = sent.trimmed().toDouble(&sentIsNumber);
    if (fieldIsNumber && sentIsNumber)
        return std::abs(shown - wanted) <= 1e-9 * std::max(1.0, std::abs(wanted));
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

void CommandConfirmation::frameAccepted(const QStringList& fields)
{
    if (m_state != State::Checking)
        return;
    ++m_framesSeen;
    m_differences.clear();
    for (const Setting& setting : m_expected) {
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
