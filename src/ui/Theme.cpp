#include "Theme.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

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
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, colour);
        palette.setColor(group, QPalette::Button, colour);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

namespace {

void setForeground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(palette);
}

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
    // Thai captions take their glyphs from the narrowest Thai face that reads well, so
    // they fit the fields they were laid out for.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Laksaman")});
    QFont::insertSubstitution(QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}
