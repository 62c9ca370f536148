// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// What the configuration window holds at the press of "Send".
struct ConfigInputs {
    QString sensorNumber; // Text1
    QString mode;         // Text2
    QString pwm;          // Text3
    QString maxSensor;    // Text4
    QString lowTemperature;  // Text5
    QString highTemperature; // Text6
    QString lowHumidity;     // Text7
    QString highHumidity;    // Text8
    enum class Relay { None, On, Off };
    Relay relay1 = Relay::None;
    Relay relay2 = Relay::None;
    enum class HotCold { None, HH, HC, CH, CC };
    HotCold hotCold = HotCold::None;
};

// The sequence number of the configuration command: 1 to 99, then 0, for as long as the
// program runs.
class TxSequence {
public:
    static constexpr std::uint8_t kLast = 99;
    // Takes the next number.
    std::uint8_t next();
    std::uint8_t txSequence = 0;
};

// The codes the command sends for the option groups, and the node's frames echo: HOT-COLD
// "11", "10", "1", "0" (the last two as one digit); a relay "1" or "0"; empty for none.
QLatin1String hotColdCode(ConfigInputs::HotCold hotCold);
QLatin1String relayCode(ConfigInputs::Relay relay);

// "@", the 13 fields each preceded by ",", a final ",", then CR LF. The texts go out as
// typed, one byte per character.
QByteArray buildConfigCommand(const ConfigInputs& inputs, std::uint8_t sequence);
