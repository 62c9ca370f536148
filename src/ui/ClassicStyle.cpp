// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClassicStyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

// Horizontal distance of a group's title from the frame's left edge.
constexpr int kGroupTitleIndent = 6;
// Distance of the dotted focus mark from a button's edge.
constexpr int kFocusInset = 4;

void drawRaisedEdge(QPainter* painter, const QRect& r, const QPalette& palette, bool sunken)
{
    const QColor outerTopLeft = sunken ? palette.color(QPalette::Shadow) : palette.color(QPalette::Light);
    const QColor outerBottomRight = sunken ? palette.color(QPalette::Light) : palette.color(QPalette::Shadow);
    const QColor innerBottomRight = palette.color(QPalette::Dark);
    painter->setPen(outerTopLeft);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(outerBottomRight);
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    if (!sunken) {
        painter->setPen(innerBottomRight);
        painter->drawLine(r.bottomLeft() + QPoint(1, -1), r.bottomRight() + QPoint(-1, -1));
        painter->drawLine(r.topRight() + QPoint(-1, 1), r.bottomRight() + QPoint(-1, -1));
    }
}

} // namespace

ClassicStyle::ClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ClassicStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    if (element == PE_PanelButtonCommand) {
        painter->save();
        painter->fillRect(option->rect, option->palette.button());
        drawRaisedEdge(painter, option->rect, option->palette, option->state & (State_Sunken | State_On));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ClassicStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element == CE_PushButton) {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button)
            return QProxyStyle::drawControl(element, option, painter, widget);
        drawPrimitive(PE_PanelButtonCommand, button, painter, widget);
        QStyleOptionButton label = *button;
        if (button->state & (State_Sunken | State_On))
            label.rect.translate(1, 1);
        QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
        if (button->state & State_HasFocus) {
            painter->save();
            QPen dotted(button->palette.color(QPalette::ButtonText), 1, Qt::DotLine);
            painter->setPen(dotted);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(button->rect.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
            painter->restore();
        }
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void ClassicStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const
{
    const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !group)
        return QProxyStyle::drawComplexControl(control, option, painter, widget);

    painter->save();
    const QRect frame = subControlRect(CC_GroupBox, option, SC_GroupBoxFrame, widget);
    const QRect title = subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget);
    // An etched frame: a dark line with a light one just inside and below it.
    const QColor dark = group->palette.color(QPalette::Dark);
    const QColor light = group->palette.color(QPalette::Light);
    for (const auto& [colour, offset] : {std::pair{dark, 0}, std::pair{light, 1}}) {
        painter->setPen(colour);
        const QRect r = frame.adjusted(offset, offset, offset - 1, offset - 1);
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topLeft(), r.bottomLeft());
        painter->drawLine(r.topRight(), r.bottomRight());
        if (group->text.isEmpty()) {
            painter->drawLine(r.topLeft(), r.topRight());
        } else {
            painter->drawLine(r.topLeft(), QPoint(title.left() - 1, r.top()));
            painter->drawLine(QPoint(title.right() + 1, r.top()), r.topRight());
        }
    }
    if (!group->text.isEmpty()) {
        painter->setPen(group->palette.color(QPalette::WindowText));
        painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, group->text);
    }
    painter->restore();
}

QRect ClassicStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl subControl, const QWidget* widget) const
{
    const auto* group = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !group)
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    // The title's text sits across the frame's top line, which runs through its middle.
    const QFontMetrics metrics = group->fontMetrics;
    const QRect all = group->rect;
    const int titleHeight = metrics.height();
    const int titleWidth = group->text.isEmpty() ? 0 : metrics.horizontalAdvance(group->text) + 2;
    switch (subControl) {
    case SC_GroupBoxFrame:
        return all.adjusted(0, titleHeight / 2, 0, 0);
    case SC_GroupBoxLabel:
        return QRect(all.left() + kGroupTitleIndent, all.top(), titleWidth, titleHeight);
    case SC_GroupBoxContents:
        return all.adjusted(2, titleHeight, -2, -2);
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}
