// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// The MQTT topic level for a node: its number as the frame gives it, with the characters
// a topic level may not hold ("/", "+", "#", controls, blanks) as "_", and "_" for none.
QString nodeTopicLevel(const QString& node);

// One accepted frame as a compact JSON object: node, temperature, humidity, the four set
// points, hot_cold, mode, pwm, relay1, relay2, input1, input2, adc, autoscan and the
// receive time. Every reading is a JSON number when it reads as a plain decimal and null
// otherwise, so its type never changes; the text of a reading that is not a number goes
// under "raw" by the same key. A field the frame lacks is null. The node and the HOT-COLD
// code stay text: they are names, and "01" is not "1".
QByteArray statePayload(const QStringList& fields, std::int64_t receivedMsecsSinceEpoch);
