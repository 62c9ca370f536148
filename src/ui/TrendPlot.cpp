// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendPlot.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

namespace {

const QColor kCard(Qt::white);
const QColor kGrid(0xE4, 0xE4, 0xE4);
const QColor kBorder(0xA0, 0xA0, 0xA0);
const QColor kText(0x20, 0x20, 0x20);
constexpr int kCardInset = 9;
constexpr int kLegendSwatch = 10;

bool sameLabels(const std::vector<AxisTick>& a, const std::vector<AxisTick>& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const AxisTick& x, const AxisTick& y) { return x.label == y.label; });
}

// Sets the pixels of one-pixel-wide uprights of an opaque colour straight in the image the
// painter draws on, within `area`: the painter fills such a rectangle a row at a time, a
// call for every pixel, which over a long span was a third of the redraw. Only where that
// image is plain 32-bit pixels and the painter only moves and covers; false otherwise, and the caller
// fills them through the painter.
bool setUprightPixels(QPainter& painter, const QList<QRect>& uprights, QRgb colour, const QRect& area)
{
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (qAlpha(colour) != 255 || painter.opacity() != 1 || painter.compositionMode() != QPainter::CompositionMode_SourceOver || !device ||
        device->devType() != QInternal::Image)
        return false;
    const auto* image = static_cast<const QImage*>(device);
    const QImage::Format format = image->format();
    const QTransform toDevice = painter.deviceTransform();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied) ||
        toDevice.type() > QTransform::TxTranslate || toDevice.dx() != std::trunc(toDevice.dx()) || toDevice.dy() != std::trunc(toDevice.dy()))
        return false;
    const QPoint offset(static_cast<int>(toDevice.dx()), static_cast<int>(toDevice.dy()));
    // What the painter may touch: the repainted region of the window, where one is set.
    QRegion reach(area.translated(offset) & image->rect());
    if (!engine->systemClip().isEmpty())
        reach &= engine->systemClip();
    // The painter holds these very pixels, already its own: read-only access does not copy
    // them away from it, as asking for writable ones could.
    auto* bits = const_cast<uchar*>(image->constBits());
    const qsizetype stride = image->bytesPerLine();
    for (const QRect& clip : reach) {
        for (const QRect& upright : uprights) {
            const QRect pixels = upright.translated(offset) & clip;
            uchar* pixel = bits + pixels.top() * stride + pixels.left() * qsizetype(sizeof(QRgb));
            for (int row = 0; row < pixels.height(); ++row, pixel += stride)
                *reinterpret_cast<QRgb*>(pixel) = colour;
        }
    }
    return true;
}

} // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // The plot paints every pixel it owns: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TrendPlot::setTitle(const QString& title, const QString& unit)
{
    m_title = title;
    m_unit = unit;
    setAccessibleName(title);
    setAccessibleDescription(QStringLiteral("%1 in %2 over time with its set points; the wheel zooms, dragging pans").arg(title, unit));
    layOut();
    update();
}

void TrendPlot::setLines(std::vector<Line> lines)
{
    m_lines = std::move(lines);
    m_runs.resize(m_lines.size());
    layOut();
    update();
}

void TrendPlot::setData(std::vector<QList<TrendSegment>> runs, std::int64_t fromMsecs, std::int64_t toMsecs)
{
    m_runs = std::move(runs);
    m_runs.resize(m_lines.size());
    m_from = fromMsecs;
    m_to = std::max(toMsecs, fromMsecs + 1);
    // A moving axis repaints its labels with the plot, not the title and legend above.
    switch (layOut()) {
    case Change::Layout:
        update();
        break;
    case Change::Axes:
        update(axesRect());
        break;
    case Change::Data:
        update(m_plotArea);
        break;
    }
}

QRect TrendPlot::axesRect() const
{
    const QFontMetrics metrics = fontMetrics();
    return QRect(QPoint(m_card.left() + 14 + metrics.height() + 4, m_plotArea.top() - metrics.height()), m_card.bottomRight());
}

TrendPlot::Change TrendPlot::layOut()
{
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const QRect card = rect().adjusted(kCardInset, kCardInset, -kCardInset, -kCardInset);
    // The value labels get a fixed width, so that the two plots of the window line their
    // time axes up and the plot's width does not change with the values.
    const int valueLabels = metrics.horizontalAdvance(QStringLiteral("-000.0"));
    const int left = card.left() + 14 + line + 8 + valueLabels + 6;
    const int right = card.right() - std::max(14, metrics.horizontalAdvance(QStringLiteral("00:00:00")) / 2 + 6);
    // The title and the legend share a line where both fit on it, the plot the room saved.
    m_headerOnOneLine = card.left() + 14 + metrics.horizontalAdvance(m_title) + 24 + legendWidth(metrics) <= right;
    const int top = card.top() + 14 + (m_headerOnOneLine ? line + 16 : 2 * line + 28);
    const int bottom = card.bottom() - 2 * line - 4;
    const QRect area(QPoint(left, top), QPoint(std::max(left + 1, right), std::max(top + 1, bottom)));

    double low = INFINITY;
    double high = -INFINITY;
    for (const QList<TrendSegment>& runs : m_runs)
        for (const TrendSegment& run : runs)
            for (const QPointF& p : run)
                if (p.x() >= static_cast<double>(m_from) && p.x() <= static_cast<double>(m_to)) {
                    low = std::min(low, p.y());
                    high = std::max(high, p.y());
                }
    ValueAxis values = valueAxis(low, high, area.height(), line + 4);
    TimeAxis time = timeAxis(m_from, m_to, area.width(), metrics.horizontalAdvance(QStringLiteral("00:00:00")) / 8.0);
    const bool sameValues = values.low == m_values.low && values.high == m_values.high && values.step == m_values.step;
    const bool sameLabelsOnTime = sameLabels(time.ticks, m_time.ticks);
    const bool sameArea = area == m_plotArea;
    m_card = card;
    m_plotArea = area;
    m_values = std::move(values);
    m_time = std::move(time);
    // The frame holds the time ticks at whole pixels: it stays while they stay.
    std::vector<int> tickPixels;
    for (const AxisTick& tick : m_time.ticks)
        tickPixels.push_back(qRound(pointAt(tick.value, 0).x()));
    const bool moved = !sameValues || !sameLabelsOnTime || tickPixels != m_tickPixels;
    m_tickPixels = std::move(tickPixels);
    return !sameArea ? Change::Layout : moved ? Change::Axes : Change::Data;
}

double TrendPlot::msecsAt(double x) const
{
    const double width = std::max(1, m_plotArea.width() - 1);
    return static_cast<double>(m_from) + (x - m_plotArea.left()) * static_cast<double>(m_to - m_from) / width;
}

QPointF TrendPlot::pointAt(double msecs, double value) const
{
    const double width = std::max(1, m_plotArea.width() - 1);
    const double height = std::max(1, m_plotArea.height() - 1);
    const double span = m_values.high > m_values.low ? m_values.high - m_values.low : 1;
    return {m_plotArea.left() + (msecs - static_cast<double>(m_from)) * width / static_cast<double>(m_to - m_from),
            m_plotArea.bottom() - (value - m_values.low) * height / span};
}

void TrendPlot::drawGrid(QPainter& painter) const
{
    painter.fillRect(m_plotArea, kCard);
    painter.setPen(QPen(kGrid, 0));
    for (const AxisTick& tick : m_values.ticks) {
        const int y = qRound(pointAt(static_cast<double>(m_from), tick.value).y());
        painter.drawLine(m_plotArea.left(), y, m_plotArea.right(), y);
    }
    for (const int at : m_tickPixels)
        painter.drawLine(at, m_plotArea.top() + 1, at, m_plotArea.bottom() - 1);
    painter.setPen(QPen(kBorder, 0));
    painter.drawRect(m_plotArea.adjusted(0, 0, -1, -1));
}

const QStaticText& TrendPlot::laidOut(const QString& text) const
{
    // Labels of every zoom pass through; a few hundred at most are kept.
    if (m_texts.size() > 512)
        m_texts.clear();
    auto found = m_texts.find(text);
    if (found == m_texts.end()) {
        found = m_texts.insert(text, QStaticText(text));
        found->setTextFormat(Qt::PlainText);
        found->prepare(QTransform(), font());
    }
    return *found;
}

void TrendPlot::drawFrame(QPainter& painter, bool whole) const
{
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    if (!whole) {
        painter.fillRect(axesRect(), kCard);
        drawTickLabels(painter);
        return;
    }
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(m_card, kCard);
    painter.setPen(kText);
    // Static texts are placed by their top left corner.
    const QStaticText& title = laidOut(m_title);
    // The legend, a swatch and a name per line: right of the title on its line, or centred
    // under it.
    int x = m_card.center().x() - legendWidth(metrics) / 2;
    int legendY = m_card.top() + 14 + line + 12;
    if (m_headerOnOneLine) {
        painter.drawStaticText(QPointF(m_card.left() + 14, m_card.top() + 14), title);
        x = m_plotArea.right() + 1 - legendWidth(metrics);
        legendY = m_card.top() + 14;
    } else {
        painter.drawStaticText(QPointF(m_card.center().x() + 1 - title.size().width() / 2, m_card.top() + 14), title);
    }
    for (const Line& entry : m_lines) {
        const QRect swatch(x, legendY + (line - kLegendSwatch) / 2, kLegendSwatch, kLegendSwatch);
        painter.fillRect(swatch, entry.colour);
        painter.setPen(entry.colour.darker(150));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.setPen(kText);
        x += kLegendSwatch + 4;
        painter.drawStaticText(QPoint(x, legendY), laidOut(entry.name));
        x += metrics.horizontalAdvance(entry.name) + 12;
    }

    drawTickLabels(painter);
    // The unit, upright beside the value axis.
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.save();
    painter.translate(m_card.left() + 14 + line / 2, m_plotArea.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-m_plotArea.height() / 2, -line / 2, m_plotArea.height(), line), Qt::AlignCenter, m_unit);
    painter.restore();
    painter.setFont(font());
}

int TrendPlot::legendWidth(const QFontMetrics& metrics) const
{
    int width = 0;
    for (const Line& entry : m_lines)
        width += kLegendSwatch + 4 + metrics.horizontalAdvance(entry.name) + 12;
    return std::max(0, width - 12);
}

void TrendPlot::drawTickLabels(QPainter& painter) const
{
    painter.setPen(kText);
    const int middleToTop = fontMetrics().height() / 2;
    for (const AxisTick& tick : m_values.ticks) {
        const int y = qRound(pointAt(static_cast<double>(m_from), tick.value).y());
        const QStaticText& label = laidOut(tick.label);
        painter.drawStaticText(QPointF(m_plotArea.left() - 6 - label.size().width(), y - middleToTop), label);
    }
    for (std::size_t t = 0; t < m_time.ticks.size(); ++t) {
        const QStaticText& label = laidOut(m_time.ticks[t].label);
        painter.drawStaticText(QPointF(m_tickPixels[t] - qRound(label.size().width()) / 2, m_plotArea.bottom() + 4), label);
    }
}

void TrendPlot::drawLines(QPainter& painter) const
{
    const QRect clipArea = m_plotArea.adjusted(1, 1, -1, -1);
    painter.setClipRect(clipArea, Qt::IntersectClip);
    const qreal ratio = devicePixelRatioF();
    QPolygonF polyline;
    QList<QLineF> spans;
    QList<QRect> uprights;
    QList<QLine> pieces;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        // Cosmetic pens are one device pixel wide at any scale: sharp on a high-DPI screen
        // and cheap over thousands of points.
        QPen pen(m_lines[i].colour, 0, m_lines[i].style);
        pen.setCosmetic(true);
        painter.setPen(pen);
        for (const TrendSegment& run : m_runs[i]) {
            polyline.resize(run.size());
            for (qsizetype p = 0; p < run.size(); ++p)
                polyline[p] = pointAt(run[p].x(), run[p].y());
            if (polyline.size() == 1) {
                painter.drawPoint(polyline.front());
            } else if (polyline.size() > 2 && polyline.size() >= m_plotArea.width() / 2) {
                // Dense enough that dashes would not read anyway: solid, which spares
                // the dash pattern's walk along every upright.
                spans.clear();
                toColumnSpans(polyline, ratio, spans);
                QPen solid = pen;
                solid.setStyle(Qt::SolidLine);
                painter.setPen(solid);
                if (ratio == 1) {
                    // At whole pixels an upright is a rectangle one pixel wide: filled, not
                    // stroked, all in one call, it takes the rasterizer's shortest way.
                    uprights.clear();
                    pieces.clear();
                    for (const QLineF& span : std::as_const(spans)) {
                        if (span.x1() != span.x2()) {
                            pieces.append(span.toLine());
                            continue;
                        }
                        const int top = qRound(std::min(span.y1(), span.y2()));
                        uprights.append(QRect(qFloor(span.x1()), top, 1, qRound(std::max(span.y1(), span.y2())) - top + 1));
                    }
                    if (!setUprightPixels(painter, uprights, m_lines[i].colour.rgba(), clipArea)) {
                        painter.setPen(Qt::NoPen);
                        painter.setBrush(m_lines[i].colour);
                        painter.drawRects(uprights);
                        painter.setBrush(Qt::NoBrush);
                        painter.setPen(solid);
                    }
                    painter.drawLines(pieces);
                } else {
                    painter.drawLines(spans);
                }
                painter.setPen(pen);
            } else {
                painter.drawPolyline(polyline);
            }
        }
    }
}

void TrendPlot::toColumnSpans(const QPolygonF& polyline, qreal ratio, QList<QLineF>& spans)
{
    // A line with several points a pixel column, as a long span drawn at the line's full
    // rate is, covers in each column the heights its pieces pass through: drawn as one
    // upright span a column, it looks the same and sets each pixel once. Pieces that
    // reach further than the next column are drawn as they are.
    const auto column = [ratio](qreal x) { return std::floor(x * ratio); };
    qreal spanColumn = column(polyline.front().x());
    qreal top = polyline.front().y();
    qreal bottom = top;
    const auto closeSpan = [&](qreal x) { spans.append(QLineF(x, top, x, bottom)); };
    for (qsizetype p = 1; p < polyline.size(); ++p) {
        const QPointF from = polyline[p - 1];
        const QPointF to = polyline[p];
        const qreal toColumn = column(to.x());
        if (toColumn == spanColumn) {
            top = std::min(top, to.y());
            bottom = std::max(bottom, to.y());
            continue;
        }
        const qreal middle = (from.y() + to.y()) / 2;
        if (toColumn == spanColumn + 1) {
            top = std::min(top, middle);
            bottom = std::max(bottom, middle);
            closeSpan(from.x());
            top = std::min(middle, to.y());
            bottom = std::max(middle, to.y());
        } else {
            closeSpan(from.x());
            spans.append(QLineF(from, to));
            top = bottom = to.y();
        }
        spanColumn = toColumn;
    }
    closeSpan(polyline.back().x());
}

void TrendPlot::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Text is the costly part: drawn only where more than the plot area is repainted, the
    // title and legend only when more than the axes are.
    if (!m_plotArea.contains(event->rect()))
        drawFrame(painter, !axesRect().contains(event->rect()));
    drawGrid(painter);
    drawLines(painter);
}

void TrendPlot::resizeEvent(QResizeEvent*) { layOut(); }


void TrendPlot::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        m_texts.clear();
        layOut();
        update();
    }
    QWidget::changeEvent(event);
}

void TrendPlot::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    Q_EMIT zoomRequested(steps > 0 ? 0.8 : 1.25, msecsAt(event->position().x()));
    event->accept();
}

void TrendPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_plotArea.contains(event->position().toPoint()))
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragMsecs = msecsAt(event->position().x());
    setCursor(Qt::ClosedHandCursor);
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        Q_EMIT panRequested(m_dragMsecs - msecsAt(event->position().x()));
        return;
    }
    if (m_describe && m_plotArea.contains(event->position().toPoint()))
        QToolTip::showText(event->globalPosition().toPoint(), m_describe(msecsAt(event->position().x())), this);
    else
        QToolTip::hideText();
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        unsetCursor();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}
