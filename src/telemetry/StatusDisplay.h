// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FrameFields.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

// Where each field of a status frame is shown on the main window.
struct StatusTextField {
    FrameField::Index frameIndex;
    const char* control;
};
struct StatusLamp {
    FrameField::Index frameIndex;
    const char* control;
    QColor onFill;
    QColor offFill;
};

inline constexpr std::array<StatusTextField, 11> kStatusTextFields{{
    {FrameField::Node, "Label16"},
    {FrameField::Temperature, "Label1"},
    {FrameField::Humidity, "Label7"},
    {FrameField::LowTemperature, "Label4"},
    {FrameField::HighTemperature, "Label6"},
    {FrameField::LowHumidity, "Label10"},
    {FrameField::HighHumidity, "Label12"},
    {FrameField::HotCold, "Label28"},
    {FrameField::Mode, "Label18"},
    {FrameField::Pwm, "Label20"},
    {FrameField::Adc, "Label30"},
}};

inline const std::array<StatusLamp, 5> kStatusLamps{{
    {FrameField::Relay1, "Shape1", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {FrameField::Relay2, "Shape2", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {FrameField::Input1, "Shape3", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {FrameField::Input2, "Shape4", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {FrameField::AutoScan, "Shape5", QColor(0x00, 0xFF, 0xFF), QColor(0x00, 0x40, 0x00)},
}};

// A lamp is on when its field reads as a number equal to 1. A missing field or a text
// that is not a number fails the test, and a failed test switches the lamp on.
bool lampIsOn(const QStringList& fields, int frameIndex);
