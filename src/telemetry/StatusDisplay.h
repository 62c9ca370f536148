#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

// Where each field of a status frame is shown on the main window.
struct StatusTextField {
    int frameIndex;
    const char* control;
};
struct StatusLamp {
    int frameIndex;
    const char* control;
    QColor onFill;
    QColor offFill;
};

inline constexpr std::array<StatusTextField, 11> kStatusTextFields{{
    {0, "Label16"}, {1, "Label1"}, {2, "Label7"}, {3, "Label4"}, {4, "Label6"}, {5, "Label10"},
    {6, "Label12"}, {7, "Label28"}, {8, "Label18"}, {9, "Label20"}, {14, "Label30"},
}};

inline const std::array<StatusLamp, 5> kStatusLamps{{
    {10, "Shape1", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {11, "Shape2", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {12, "Shape3", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {13, "Shape4", QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x00, 0x00)},
    {15, "Shape5", QColor(0x00, 0xFF, 0xFF), QColor(0x00, 0x40, 0x00)},
}};

// The idle look of a text field: "00.0" for temperature and humidity, "0" for the rest.
inline const char* idleText(int frameIndex) { return frameIndex == 1 || frameIndex == 2 ? "00.0" : "0"; }

// A lamp is on when its field reads as a number equal to 1. A missing field or a text
// that is not a number fails the test, and a failed test switches the lamp on.
bool lampIsOn(const QStringList& fields, int frameIndex);
