// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <variant>

// A "COMn=PATH" mapping from the command line.
struct PortMapping {
    int number = 0;
    QString path;
};

// The mapping, or a message saying what is wrong with the text.
std::variant<PortMapping, QString> parsePortMapping(const QString& text);
