// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigCommand.h"

#include "Settings.h"

std::uint8_t TxSequence::next()
{
    ++txSequence;
    if (txSequence > kLast)
        txSequence = 0;
    return txSequence;
}

QLatin1String hotColdCode(ConfigInputs::HotCold hotCold)
{
    switch (hotCold) {
    case ConfigInputs::HotCold::HH:
        return QLatin1String("11");
    case ConfigInputs::HotCold::HC:
        return QLatin1String("10");
    // The node reads these two as numbers, so they go out as one digit.
    case ConfigInputs::HotCold::CH:
        return QLatin1String("1");
    case ConfigInputs::HotCold::CC:
        return QLatin1String("0");
    case ConfigInputs::HotCold::None:
        break;
    }
    return QLatin1String("");
}

QLatin1String relayCode(ConfigInputs::Relay relay)
{
    switch (relay) {
    case ConfigInputs::Relay::On:
        return QLatin1String("1");
    case ConfigInputs::Relay::Off:
        return QLatin1String("0");
    case ConfigInputs::Relay::None:
        break;
    }
    return QLatin1String("");
}

QByteArray buildConfigCommand(const ConfigInputs& inputs, std::uint8_t sequence)
{
    std::array<QString, kSettingCount> fields;
    for (const SettingRow& row : kSettings)
        fields[std::size_t(row.commandField - 1)] = commandText(inputs, row.setting);
    QString text = QStringLiteral("@,");
    for (const QString& field : fields)
        text += field + u',';
    text += QLatin1String("1,");
    text += QString::number(sequence) + u',';
    text += QLatin1String("\r\n");
    return text.toLatin1();
}
