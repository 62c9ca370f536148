// SPDX-License-Identifier: GPL-3.0-or-later
#include "Theme.h"

#include "platform/FontFaces.h"

#include "ClassicStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QWidget>

#include <algorithm>
#include <cmath>

QColor systemColour(int number, const QPalette& palette)
{
    switch (number) {
    case SystemColour::ActiveTitleBar:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case SystemColour::WindowText:
        return palette.color(QPalette::Active, QPalette::WindowText);
    case SystemColour::ButtonFace:
        return palette.color(QPalette::Active, QPalette::Button);
    case SystemColour::ButtonText:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case SystemColour::ButtonHighlight:
        return palette.color(QPalette::Active, QPalette::Light);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

QColor systemColour(int number) { return systemColour(number, QApplication::palette()); }

void setBackground(QWidget* widget, const QColor& colour)
{
    // A button's face is its Button colour; any other widget fills with Window. Only
    // buttons take the Button colour, so the buttons and the port box's arrow inside a
    // coloured area keep the theme's button face.
    const bool button = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget);
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, colour);
        if (button)
            palette.setColor(group, QPalette::Button, colour);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setForeground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    if (palette.color(QPalette::WindowText) == colour && palette.color(QPalette::ButtonText) == colour)
        return;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(palette);
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) { return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& background, const QColor& preferred, double least)
{
    if (contrastRatio(background, preferred) >= least)
        return preferred;
    return contrastRatio(background, Qt::black) >= contrastRatio(background, Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
}

QColor failureColour(const QColor& background)
{
    return background.lightness() < 128 ? QColor(0xFF, 0x80, 0x80) : QColor(0xFF, 0x00, 0x00);
}

void setFace(QWidget* widget, const QColor& colour)
{
    setBackground(widget, colour);
    setForeground(widget, readableOn(colour, systemColour(SystemColour::ButtonText)));
}

namespace {

void applyOne(QWidget* widget)
{
    const QVariant back = widget->property("backColor");
    if (back.isValid())
        setBackground(widget, systemColour(back.toInt()));
    const QVariant fore = widget->property("foreColor");
    if (fore.isValid())
        setForeground(widget, systemColour(fore.toInt()));
    const QVariant size = widget->property("pointSizeF");
    if (size.isValid()) {
        QFont font = widget->font();
        font.setPointSizeF(size.toDouble());
        widget->setFont(font);
    }
    const QVariant stretch = widget->property("fontStretch");
    if (stretch.isValid()) {
        QFont font = widget->font();
        font.setStretch(stretch.toInt());
        widget->setFont(font);
    }
}

} // namespace

void applyDesignLook(QWidget* root)
{
    applyOne(root);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        applyOne(child);
}

void installFontSubstitutions()
{
    for (const auto& [family, faces] : fontSubstitutions())
        QFont::insertSubstitutions(family, faces);
    if (fontHinting() != QFont::PreferDefaultHinting) {
        QFont font = QApplication::font();
        font.setHintingPreference(fontHinting());
        QApplication::setFont(font);
    }
}

void installClassicLook()
{
    installFontSubstitutions();
    QApplication::setStyle(new ClassicStyle);
}
