// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

inline constexpr int kFirstComNumber = 1;
inline constexpr int kLastComNumber = 100;

// "COM" followed by n in decimal.
QString comName(int number);

// The number of a port name "COMn" with n from 1 to 100, letter case ignored and no
// leading zeros; none for anything else.
std::optional<int> parseComName(const QString& name);

// The COM number a Linux serial device gets from its fixed table, or none for a device
// outside the table.
std::optional<int> comNumberForDevice(const QString& systemLocation);

// The fixed device table, one "  /dev/ttyS0 .. /dev/ttyS31    COM1 .. COM32" line a row.
QString deviceTableText();

// The port number text of a port box text: the digits after "COM" for a box text of 4,
// 5 or 6 characters, otherwise empty.
QString portNumberText(const QString& boxText);

// The value of a text read as a number from its start, blanks skipped, rounded to an
// integer; 0 when no number stands there.
int leadingNumberValue(const QString& text);
