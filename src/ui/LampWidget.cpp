#include "LampWidget.h"

#include <QPainter>

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

void LampWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QWidget* behind = parentWidget() ? parentWidget() : this;
    painter.fillRect(rect(), behind->palette().color(behind->backgroundRole()));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_border, 1));
    painter.setBrush(m_fill);
    const int side = qMin(width(), height()) - 1;
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side).adjusted(0.5, 0.5, -0.5, -0.5));
}
