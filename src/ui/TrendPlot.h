// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trend/Downsample.h"
#include "trend/PlotAxes.h"

#include <QHash>
#include <QStaticText>
#include <QWidget>

#include <functional>
#include <vector>

// One plot of the trend window: a title, a legend, a time axis and a value axis, and the
// lines handed to it as runs of points. The mouse wheel zooms the time axis around the
// pointer, dragging pans it, and hovering shows the time and values under the pointer;
// the plot only reports what the user asks for, the window decides the range.
//
// New data with the same axes repaints the plot area alone; the text around it, the
// costly part of a paint, is drawn only when the axes or the size change, the title and
// legend only when the size does.
class TrendPlot : public QWidget {
    Q_OBJECT
public:
    struct Line {
        QString name;
        QColor colour;
        Qt::PenStyle style = Qt::SolidLine;
    };

    explicit TrendPlot(QWidget* parent = nullptr);

    void setTitle(const QString& title, const QString& unit);
    void setLines(std::vector<Line> lines);
    // The runs of each line (in setLines' order) over the time range [fromMsecs, toMsecs];
    // the value axis follows the values inside that range.
    void setData(std::vector<QList<TrendSegment>> runs, std::int64_t fromMsecs, std::int64_t toMsecs);
    // What the hover text says for a time under the pointer.
    void setDescriber(std::function<QString(double msecs)> describe) { m_describe = std::move(describe); }

    QRect plotArea() const { return m_plotArea; }
    // The plot area with the labels of both axes: what a moving axis repaints.
    QRect axesRect() const;
    const TimeAxis& timeTicks() const { return m_time; }
    const ValueAxis& valueTicks() const { return m_values; }
    double msecsAt(double x) const;
    QPointF pointAt(double msecs, double value) const;

    QSize sizeHint() const override { return {600, 250}; }
    QSize minimumSizeHint() const override { return {300, 160}; }

Q_SIGNALS:
    // The user zoomed by `factor` around the time `aroundMsecs` (factor < 1 zooms in).
    void zoomRequested(double factor, double aroundMsecs);
    // The user dragged the plot by this many milliseconds.
    void panRequested(double byMsecs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What a new layout changed: the plot's place (all is painted again), the axes (their
    // labels with the plot area), or the data alone (the plot area).
    enum class Change { Layout, Axes, Data };
    // Lays the plot out for the widget's size and the data's ranges.
    Change layOut();
    // The text and background around the plot area: all of it, or only the axes' labels.
    void drawFrame(QPainter& painter, bool whole) const;
    void drawTickLabels(QPainter& painter) const;
    int legendWidth(const QFontMetrics& metrics) const;
    void drawGrid(QPainter& painter) const;
    void drawLines(QPainter& painter) const;
    static void toColumnSpans(const QPolygonF& polyline, qreal ratio, QList<QLineF>& spans);
    // A text laid out once: a moving axis shows the same labels at new places, and shaping
    // them again is most of what drawing the frame costs.
    const QStaticText& laidOut(const QString& text) const;

    QString m_title;
    QString m_unit;
    std::vector<Line> m_lines;
    std::vector<QList<TrendSegment>> m_runs;
    std::int64_t m_from = 0;
    std::int64_t m_to = 1;
    QRect m_card;
    QRect m_plotArea;
    bool m_headerOnOneLine = false;
    std::vector<int> m_tickPixels;
    TimeAxis m_time;
    ValueAxis m_values;
    std::function<QString(double)> m_describe;
    mutable QHash<QString, QStaticText> m_texts;
    bool m_dragging = false;
    double m_dragMsecs = 0;
};
