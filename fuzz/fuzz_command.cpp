// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration command over arbitrary input texts and selections.
#include "config/ConfigCommand.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    ConfigInputs in;
    in.relay1 = static_cast<ConfigInputs::Relay>(data[0] % 3);
    in.relay2 = static_cast<ConfigInputs::Relay>((data[0] / 3) % 3);
    in.hotCold = static_cast<ConfigInputs::HotCold>(data[1] % 5);
    const QList<QByteArray> texts = QByteArray(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)).split('\0');
    QString* fields[] = {&in.sensorNumber, &in.mode, &in.pwm, &in.maxSensor, &in.lowTemperature, &in.highTemperature,
                         &in.lowHumidity, &in.highHumidity};
    qsizetype inputCommas = 0;
    for (qsizetype i = 0; i < 8 && i < texts.size(); ++i) {
        *fields[i] = QString::fromUtf8(texts[i]);
        inputCommas += fields[i]->toLatin1().count(',');
    }
    const auto sequence = static_cast<std::uint8_t>(data[0] % 100);
    const QByteArray command = buildConfigCommand(in, sequence);
    if (!command.startsWith("@,") || !command.endsWith(",\r\n") || command.count(',') != 14 + inputCommas)
        std::abort();
    if (!command.contains("," + QByteArray::number(sequence) + ",\r\n"))
        std::abort();
    return 0;
}
