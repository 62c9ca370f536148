// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendChartView.h"

#include <QChart>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>

TrendChartView::TrendChartView(QWidget* parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
}

double TrendChartView::msecsAt(const QPointF& position) const
{
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(position.toPoint()))).x();
}

void TrendChartView::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    Q_EMIT zoomRequested(steps > 0 ? 0.8 : 1.25, msecsAt(event->position()));
    event->accept();
}

void TrendChartView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !chart()->plotArea().contains(event->position()))
        return QChartView::mousePressEvent(event);
    m_dragging = true;
    m_dragMsecs = msecsAt(event->position());
    setCursor(Qt::ClosedHandCursor);
}

void TrendChartView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        const double now = msecsAt(event->position());
        Q_EMIT panRequested(m_dragMsecs - now);
        return;
    }
    if (m_describe && chart()->plotArea().contains(event->position())) {
        QToolTip::showText(event->globalPosition().toPoint(), m_describe(msecsAt(event->position())), this);
    } else {
        QToolTip::hideText();
    }
    QChartView::mouseMoveEvent(event);
}

void TrendChartView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        unsetCursor();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}
