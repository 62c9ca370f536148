// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers hear of the main window, and the colours its texts keep readable.
#include "Form1.h"

#include "Accessibility.h"
#include "StatusFields.h"
#include "Theme.h"
#include "ui_Form1.h"

#include <array>

namespace {

// What a screen reader is told of each control beside the readings: the caption beside
// it and an English description.
struct Described {
    const char* control;
    const char* caption;
    const char* description;
};
constexpr std::array<Described, 5> kControls{{
    {"Check1", "Label26", "write a record to data.txt at each log interval while the port is open"},
    {"Option1", "Label31", "log interval of one second"},
    {"Option2", "Label32", "log interval of five seconds"},
    {"Option3", "Label33", "log interval of thirty seconds"},
    {"Option4", "Label34", "log interval of one minute"},
}};

} // namespace

void Form1::describeControls()
{
    installAccessibility();
    for (const StatusTextField& reading : kStatusTextFields) {
        auto* label = findChild<QLabel*>(QLatin1String(reading.control));
        auto* caption = findChild<QLabel*>(QLatin1String(reading.caption));
        describeReading(label, caption ? QString() : QString::fromUtf8(reading.caption), QString::fromUtf8(reading.unit),
                        QLatin1String(reading.description));
        if (caption)
            nameAfterCaption(label, caption, QLatin1String(reading.description));
    }
    for (const StatusLamp& lamp : kStatusLamps)
        nameAfterCaption(findChild<QWidget*>(QLatin1String(lamp.control)), findChild<QLabel*>(QLatin1String(lamp.caption)),
                         QLatin1String(lamp.description));
    for (const Described& control : kControls)
        nameAfterCaption(findChild<QWidget*>(QLatin1String(control.control)), findChild<QLabel*>(QLatin1String(control.caption)),
                         QLatin1String(control.description));
    // The unit marks beside the large readings: their values carry the unit already.
    hideFromAccessibility(m_ui->Label2);
    hideFromAccessibility(m_ui->Label8);
    m_ui->Command1->setAccessibleDescription(linkSpoken(LinkState::Idle));
    // Text on a colour of its own: the link line on the title bar colour, the lamps'
    // captions on the button face. Under a palette whose text would not read there, black
    // or white instead; under the usual light one, as it is.
    setForeground(m_ui->Label13, readableOn(systemColour(SystemColour::ActiveTitleBar), systemColour(SystemColour::ButtonText)));
    for (QLabel* caption : {m_ui->Label21, m_ui->Label22, m_ui->Label23, m_ui->Label24, m_ui->Label25})
        setForeground(caption, readableOn(systemColour(SystemColour::ButtonFace), systemColour(SystemColour::ButtonText)));
    // The web address bands are large text (18 pt), readable from a contrast of 3.
    for (QLabel* band : {m_ui->Label35, m_ui->Label36})
        setForeground(band, readableOn(systemColour(SystemColour::ActiveTitleBar), band->palette().color(QPalette::WindowText), 3.0));
    m_ui->Combo1->setAccessibleName(QStringLiteral("Port"));
    m_ui->Combo1->setAccessibleDescription(QStringLiteral("the serial port to connect, COM1 to COM100"));
}
