// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChartView>

#include <functional>

// A plot of the trend window: the mouse wheel zooms the time axis around the pointer,
// dragging pans it, and hovering shows the time and value under the pointer. The view
// only reports what the user asks for; the window decides the span.
class TrendChartView : public QChartView {
    Q_OBJECT
public:
    explicit TrendChartView(QWidget* parent = nullptr);

    // What the hover text says for a time under the pointer.
    void setDescriber(std::function<QString(double msecs)> describe) { m_describe = std::move(describe); }

Q_SIGNALS:
    // The user zoomed by `factor` around the time `aroundMsecs` (factor < 1 zooms in).
    void zoomRequested(double factor, double aroundMsecs);
    // The user dragged the plot by this many milliseconds.
    void panRequested(double byMsecs);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double msecsAt(const QPointF& position) const;

    std::function<QString(double)> m_describe;
    bool m_dragging = false;
    double m_dragMsecs = 0;
};
