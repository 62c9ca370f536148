// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/ConnectionLifecycle.h"
#include "telemetry/FrameFields.h"

#include <QColor>
#include <QString>

#include <array>

// Where the main window shows each field of a status frame, and what a screen reader is
// told of it: the caption beside it (or a name where no label names it), a unit, and an
// English description.
struct StatusTextField {
    FrameField::Index frameIndex;
    const char* control;
    const char* caption; // a label of the window, or the name itself when no label names it
    const char* unit;
    const char* description;
};
struct StatusLamp {
    FrameField::Index frameIndex;
    const char* control;
    const char* caption;
    QColor onFill;
    QColor offFill;
    const char* description;
};

inline constexpr std::array<StatusTextField, 11> kStatusTextFields{{
    {FrameField::Node, "Label16", "Label15", "", "the node's sensor number"},
    {FrameField::Temperature, "Label1", "Temperature", "°C", "temperature, degrees Celsius"},
    {FrameField::Humidity, "Label7", "Humidity", "%", "relative humidity, percent"},
    {FrameField::LowTemperature, "Label4", "Label3", "°C", "low temperature point"},
    {FrameField::HighTemperature, "Label6", "Label5", "°C", "high temperature point"},
    {FrameField::LowHumidity, "Label10", "Label9", "%", "low humidity point"},
    {FrameField::HighHumidity, "Label12", "Label11", "%", "high humidity point"},
    {FrameField::HotCold, "Label28", "Label27", "", "HOT-COLD setting"},
    {FrameField::Mode, "Label18", "Label17", "", "mode"},
    {FrameField::Pwm, "Label20", "Label19", "", "PWM value"},
    {FrameField::Adc, "Label30", "Label29", "", "ADC reading"},
}};

inline const std::array<StatusLamp, 5> kStatusLamps{{
    {FrameField::Relay1, "Shape1", "Label21", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00), "relay 1 lamp, lit while the relay is on"},
    {FrameField::Relay2, "Shape2", "Label22", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00), "relay 2 lamp, lit while the relay is on"},
    {FrameField::Input1, "Shape3", "Label23", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00), "input 1 lamp, lit while the input is on"},
    {FrameField::Input2, "Shape4", "Label24", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00), "input 2 lamp, lit while the input is on"},
    {FrameField::AutoScan, "Shape5", "Label25", QColor(0x00, 0xFF, 0xFF), QColor(0x00, 0x40, 0x00), "AutoScan lamp, lit while the node scans"},
}};

// How the "Connect" button and the link line show the link's state: the button's face,
// the state in words for a screen reader, and the line's text.
QColor linkFace(LinkState state);
QString linkSpoken(LinkState state);
QString linkText(LinkState state, const QString& portNumber);
