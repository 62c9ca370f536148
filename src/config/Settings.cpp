// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

#include "telemetry/Readings.h"

QString settingTitle(Setting setting)
{
    const SettingRow& row = settingRow(setting);
    return row.echoedBy ? QString::fromUtf8(reading(*row.echoedBy).name) : QString::fromUtf8(row.limits.description);
}

QString commandText(const ConfigInputs& inputs, Setting setting)
{
    const SettingRow& row = settingRow(setting);
    switch (row.kind) {
    case SettingRow::Kind::Number:
        return inputs.*row.text;
    case SettingRow::Kind::HotCold:
        return hotColdCode(inputs.hotCold);
    case SettingRow::Kind::Relay:
        return relayCode(inputs.*row.relay);
    }
    return {};
}
