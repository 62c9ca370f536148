// SPDX-License-Identifier: GPL-3.0-or-later
#include "LampWidget.h"

#include <QAccessible>
#include <QPainter>

#include <utility>

LampWidget::LampWidget(QWidget* parent) : QWidget(parent)
{
    // The lamp paints its whole square, so a change repaints the lamp alone and not the
    // group behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LampWidget::setFillColor(const QColor& colour) { setColours(colour, m_border); }

void LampWidget::setBorderColor(const QColor& colour) { setColours(m_fill, colour); }

void LampWidget::setColours(const QColor& fill, const QColor& border)
{
    if (fill == m_fill && border == m_border)
        return;
    m_fill = fill;
    m_border = border;
    update();
}

void LampWidget::showState(bool on, const QColor& fill, const QColor& border)
{
    setColours(fill, border);
    if (std::exchange(m_on, on) == on || !QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent state(this, changed);
    QAccessible::updateAccessibility(&state);
    // Its name says the state too ("Relay1 on"), and a screen reader is told it changed.
    QAccessibleEvent name(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
}

const QPixmap& LampWidget::face()
{
    const QWidget* behind = parentWidget() ? parentWidget() : this;
    const QColor background = behind->palette().color(behind->backgroundRole());
    const qreal ratio = devicePixelRatioF();
    if (size() != m_facesSize || background.rgba() != m_facesBackground || ratio != m_facesRatio) {
        m_faces.clear();
        m_facesSize = size();
        m_facesBackground = background.rgba();
        m_facesRatio = ratio;
    }
    const std::pair<QRgb, QRgb> key(m_fill.rgba(), m_border.rgba());
    auto found = m_faces.find(key);
    if (found != m_faces.end())
        return *found;
    QPixmap pixmap(size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_border, 1));
    painter.setBrush(m_fill);
    const int side = qMin(width(), height()) - 1;
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.end();
    return *m_faces.insert(key, pixmap);
}

void LampWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, face());
}
