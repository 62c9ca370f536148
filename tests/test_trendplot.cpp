// SPDX-License-Identifier: GPL-3.0-or-later
#include "telemetry/FrameAssembler.h"
#include "ui/Accessibility.h"
#include "ui/ElidedLabel.h"
#include "ui/TrendPlot.h"
#include "ui/TrendWindow.h"

#include "support/TestClock.h"

#include <QAccessible>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Whether a pixel of the colour lies within a pixel of `at`: a one-pixel line can fall
// on either side of a fractional position.
bool colourNear(const QImage& image, QPointF at, QColor colour)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (image.pixelColor(qRound(at.x()) + dx, qRound(at.y()) + dy) == colour)
                return true;
    return false;
}

// A sample at `at` whose every value is `value`.
TrendSample flatSample(qint64 at, float value)
{
    TrendSample sample;
    sample.msecsSinceEpoch = at;
    std::fill(std::begin(sample.values), std::end(sample.values), value);
    return sample;
}

// Remembers the rectangles a widget was asked to paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted.append(static_cast<QPaintEvent*>(event)->rect());
        else if (event->type() == QEvent::LayoutRequest)
            ++layoutRequests;
        return false;
    }
    QList<QRect> painted;
    int layoutRequests = 0;
};

} // namespace

class TrendPlotTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stepsGapsAndWhatARepaintCovers()
    {
        TrendPlot plot;
        plot.resize(600, 300);
        plot.setTitle(QStringLiteral("Temperature"), QStringLiteral("°C"));
        plot.setLines({{QStringLiteral("Temperature"), QColor(0xD0, 0x20, 0x20)}, {QStringLiteral("low point"), QColor(0x20, 0x90, 0x20)}});
        // A reading with a gap from 40 to 60 s, and a set point stepping from 20 to 22 at 50 s.
        const QList<TrendSegment> reading{{{0, 25}, {40'000, 25}}, {{60'000, 25}, {100'000, 25}}};
        const QList<TrendSegment> low{{{0, 20}, {50'000, 20}, {50'000, 22}, {100'000, 22}}};
        plot.setData({reading, low}, 0, 100'000);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        const QImage image = plot.grab().toImage();
        const QColor red(0xD0, 0x20, 0x20);
        const QColor green(0x20, 0x90, 0x20);
        QVERIFY(colourNear(image, plot.pointAt(20'000, 25), red));
        QVERIFY(colourNear(image, plot.pointAt(80'000, 25), red));
        QVERIFY(!colourNear(image, plot.pointAt(50'000, 25), red)); // the gap
        QVERIFY(colourNear(image, plot.pointAt(25'000, 20), green));
        QVERIFY(colourNear(image, plot.pointAt(50'000, 21), green)); // the upright of the step
        QVERIFY(colourNear(image, plot.pointAt(75'000, 22), green));
        QVERIFY(!colourNear(image, plot.pointAt(75'000, 20), green));

        // New values within the same axes repaint the plot area alone; a moved axis, the
        // axes with their labels; the title and legend above stay.
        PaintWatch watch(&plot);
        plot.setData({QList<TrendSegment>{{{0, 25}, {100'000, 21}}}, low}, 0, 100'000);
        QTRY_COMPARE(watch.painted.size(), 1);
        QCOMPARE(watch.painted.front(), plot.plotArea());
        plot.setData({reading, low}, 50'000, 150'000);
        QTRY_COMPARE(watch.painted.size(), 2);
        QCOMPARE(watch.painted.back(), plot.axesRect());
        // The title's line starts 9 + 14 px down: the axes begin below it.
        const int titleLineEnd = 23 + plot.fontMetrics().height();
        QVERIFY(plot.axesRect().contains(plot.plotArea()) && plot.axesRect().top() >= titleLineEnd);

        // Title and legend share their line where both fit; narrower, the legend goes
        // under the title and the plot starts lower.
        const int oneLineTop = plot.plotArea().top();
        plot.resize(300, 300);
        QTRY_VERIFY(plot.plotArea().top() > oneLineTop);
        plot.resize(600, 300);
        QTRY_COMPARE(plot.plotArea().top(), oneLineTop);
    }

    // A line denser than the pixels is drawn as uprights, set straight in the pixels where
    // the painter covers plain 32-bit ones: the same pixels the painter fills elsewhere (a
    // 24-bit image), at an offset, and none outside the region asked for.
    void denseLinesAsThePainterDrawsThem()
    {
        TrendPlot plot;
        plot.resize(400, 200);
        plot.setTitle(QStringLiteral("Temperature"), QStringLiteral("°C"));
        plot.setLines({{QStringLiteral("Temperature"), QColor(0xD0, 0x20, 0x20)}, {QStringLiteral("low point"), QColor(0x20, 0x90, 0x20)}});
        TrendSegment jumping;
        TrendSegment stepping;
        for (int i = 0; i <= 4000; ++i) {
            jumping.append(QPointF(i * 25.0, 20 + (i * 7919) % 1000 / 100.0));
            stepping.append(QPointF(i * 25.0, i % 400 < 200 ? 21 : 29)); // pieces between columns
        }
        plot.setData({{jumping}, {stepping}}, 0, 100'000);
        const QRegion asked = QRegion(plot.rect()) - QRect(plot.plotArea().center(), QSize(60, 40));
        const QPoint offset(20, 10);
        QImage direct(plot.size() + QSize(20, 10), QImage::Format_RGB32);
        QImage painted(direct.size(), QImage::Format_RGB888);
        direct.fill(Qt::blue);
        painted.fill(Qt::blue);
        plot.render(&direct, offset, asked);
        plot.render(&painted, offset, asked);
        QCOMPARE(direct, painted.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(direct.pixelColor(plot.pointAt(50'000, 20).toPoint() + offset), QColor(Qt::blue));
        QVERIFY(colourNear(direct, plot.pointAt(25'000, 20) + offset, QColor(0xD0, 0x20, 0x20)));
    }

    // While following, frames that only add to the newest column are drawn within a
    // second, not at every tick of the window's timer.
    void framesInTheNewestColumnAreDrawnWithinASecond()
    {
        TestClock clock;
        const qint64 now = clock.wall;
        TrendBuffer samples;
        const auto append = [&samples](qint64 at, float value) { samples.append(flatSample(at, value)); };
        // A week shown whole: a column spans hours, and the live edge stays where it is.
        for (qint64 at = now - 604'800'000; at < now; at += 3'600'000)
            append(at, 20);
        FrameAssembler reception;
        TrendWindow window(samples, reception, &clock);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.findChild<QComboBox*>(QStringLiteral("cbSpan"))->setCurrentIndex(4);
        Q_EMIT window.findChild<QComboBox*>(QStringLiteral("cbSpan"))->activated(4); // All
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        append(now, 25);
        window.refresh();
        QCoreApplication::processEvents();
        PaintWatch watch(window.findChild<TrendPlot*>(QStringLiteral("plotTemperature")));
        append(now + 100, 30);
        clock.monotonic += 1000; // a second since the drawing: not yet
        QTest::qWait(600);
        QVERIFY(watch.painted.isEmpty());
        clock.monotonic += 1; // one past: the next tick draws
        QTRY_VERIFY_WITH_TIMEOUT(!watch.painted.isEmpty(), 600);
    }

    // The status line moves in the same paint as the plots while frames come, and once a
    // second on its own while none do; its rate is the last second's frames.
    void theStatusLinePaintsWithThePlots()
    {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        TrendBuffer samples;
        FrameAssembler reception;
        const auto frame = [&samples, &reception] {
            samples.append(flatSample(QDateTime::currentMSecsSinceEpoch(), 20));
            ++reception.framesAccepted;
        };
        for (qint64 at = now - 604'800'000; at < now; at += 3'600'000)
            samples.append(flatSample(at, 20));
        TrendWindow window(samples, reception);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        Q_EMIT window.findChild<QComboBox*>(QStringLiteral("cbSpan"))->activated(4); // All: the edge stays put
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(300);
        PaintWatch status(window.findChild<ElidedLabel*>(QStringLiteral("lblStatus")));
        PaintWatch plot(window.findChild<TrendPlot*>(QStringLiteral("plotTemperature")));
        QTimer frames;
        QObject::connect(&frames, &QTimer::timeout, frame);
        frames.start(50);
        QTest::qWait(2800);
        frames.stop();
        QVERIFY2(status.painted.size() >= 2 && status.painted.size() <= 3, QByteArray::number(status.painted.size()));
        QCOMPARE(plot.painted.size(), status.painted.size());
        const double rate = window.statusText().section(QStringLiteral(" · "), -1).section(QLatin1Char(' '), 0, 0).toDouble();
        QVERIFY2(rate >= 14 && rate <= 22, qPrintable(window.statusText()));

        QTest::qWait(1300); // the last frames reach the plots
        status.painted.clear();
        plot.painted.clear();
        QTest::qWait(2800);
        QVERIFY2(status.painted.size() >= 2 && status.painted.size() <= 3, QByteArray::number(status.painted.size()));
        QVERIFY(plot.painted.isEmpty());
        QVERIFY2(window.statusText().endsWith(QStringLiteral(" · 0.0 frames/s")), qPrintable(window.statusText()));
    }

    // A time nothing came is a break in the line, live and in a loaded log; an ordinary
    // step between frames is not. Sampled from the window as drawn.
    void theTrendBreaksAtAHole()
    {
        const QColor red(0xD0, 0x20, 0x20);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const auto temperatureAt = [now](qint64 at) { return at < now - 300'000 ? 28.0f : 25.0f; };
        // The last ten minutes: a frame a second at 28 °C, then none for a minute and a half,
        // then 25 °C.
        TrendBuffer samples;
        for (qint64 at = now - 600'000; at <= now; at += 1000) {
            if (at >= now - 300'000 && at < now - 210'000)
                continue;
            TrendSample sample = flatSample(at, 20);
            sample.values[TrendSample::Temperature] = temperatureAt(at);
            samples.append(sample);
        }
        FrameAssembler reception;
        TrendWindow window(samples, reception);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* plot = window.findChild<TrendPlot*>(QStringLiteral("plotTemperature"));
        const auto drawnAt = [&](qint64 at, float value) { return colourNear(plot->grab().toImage(), plot->pointAt(at, value), red); };
        QVERIFY(drawnAt(now - 400'000, 28));
        QVERIFY(drawnAt(now - 100'000, 25));
        QVERIFY(!drawnAt(now - 255'000, 26.5f)); // the slope that never was

        // The same as a log file, a record a second.
        QTemporaryDir dir;
        QFile log(dir.filePath(QStringLiteral("data.txt")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const TrendSample& sample = samples.at(i);
            log.write(QDateTime::fromMSecsSinceEpoch(sample.msecsSinceEpoch).toString(QStringLiteral("MM-dd-yyyy    HH:mm:ss")).toLatin1() +
                      QStringLiteral("      1             %1          60.2\r\n").arg(sample.values[TrendSample::Temperature], 0, 'f', 1).toLatin1());
        }
        log.close();
        QVERIFY(!window.loadLog(log.fileName()));
        QTRY_VERIFY(!window.loading());
        QCOMPARE(window.sourceText(), QStringLiteral("showing data.txt: 511 records, 0 malformed lines skipped"));
        const qint64 second = now / 1000 * 1000; // the log keeps whole seconds
        QVERIFY(drawnAt(second - 400'000, 28));
        QVERIFY(drawnAt(second - 100'000, 25));
        QVERIFY(!drawnAt(second - 255'000, 26.5f));
    }

    void zoomAndPanKeepTheTimeUnderThePointer()
    {
        TrendBuffer samples;
        for (int i = 0; i <= 3600; ++i) {
            samples.append(flatSample(1'765'000'000'000 + std::int64_t(i) * 1000, 20.0f + static_cast<float>(i % 60) / 10.0f));
        }
        FrameAssembler reception;
        TrendWindow window(samples, reception);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* plot = window.findChild<TrendPlot*>(QStringLiteral("plotTemperature"));
        const double msecsPerPixel = (plot->msecsAt(plot->plotArea().right()) - plot->msecsAt(plot->plotArea().left())) / plot->plotArea().width();
        const QPoint pointer(plot->plotArea().left() + plot->plotArea().width() / 3, plot->plotArea().center().y());
        const double under = plot->msecsAt(pointer.x());
        QWheelEvent wheel(pointer, plot->mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot, &wheel);
        QVERIFY(!window.following());
        QVERIFY(qAbs(plot->msecsAt(pointer.x()) - under) <= msecsPerPixel);
        const double zoomedPerPixel = (plot->msecsAt(plot->plotArea().right()) - plot->msecsAt(plot->plotArea().left())) / plot->plotArea().width();
        QVERIFY(qAbs(zoomedPerPixel / msecsPerPixel - 0.8) < 0.01);

        const double grabbed = plot->msecsAt(pointer.x());
        const QPoint dropped = pointer + QPoint(150, 0);
        QTest::mousePress(plot, Qt::LeftButton, {}, pointer);
        QMouseEvent move(QEvent::MouseMove, dropped, plot->mapToGlobal(dropped), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(plot, &move);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, dropped);
        QVERIFY(qAbs(plot->msecsAt(dropped.x()) - grabbed) <= zoomedPerPixel);

        // The status line keeps its height and asks no layout pass as its text changes.
        auto* status = window.findChild<ElidedLabel*>(QStringLiteral("lblStatus"));
        const int height = status->height();
        QCoreApplication::processEvents();
        PaintWatch watch(&window);
        const QString longText = QStringLiteral("Frames accepted 1 · ").repeated(40);
        status->setText(longText);
        QCoreApplication::processEvents();
        QCOMPARE(watch.layoutRequests, 0);
        QCOMPARE(status->height(), height);
        QCOMPARE(status->toolTip(), longText);

        // Read by a screen reader: the plots as charts by their titles, the status line by
        // its whole text, not the part that fits.
        const auto face = [&window](const char* name) { return QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(name)); };
        QCOMPARE(face("plotTemperature")->role(), QAccessible::Chart);
        QCOMPARE(face("plotTemperature")->text(QAccessible::Name), QStringLiteral("Temperature"));
        QCOMPARE(face("plotHumidity")->text(QAccessible::Name), QStringLiteral("Humidity"));
        QCOMPARE(face("lblStatus")->role(), QAccessible::StaticText);
        QCOMPARE(face("lblStatus")->text(QAccessible::Name), longText);
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
    }

    // Each time the status line's text changes, a screen reader hears of it: one name
    // change each, none for a text set again unchanged.
    void aChangedStatusLineIsAnnounced()
    {
        TestClock clock;
        TrendBuffer samples;
        samples.append(flatSample(clock.wall, 20));
        FrameAssembler reception;
        TrendWindow window(samples, reception, &clock);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* status = window.findChild<ElidedLabel*>(QStringLiteral("lblStatus"));
        QList<QWidget*> announced;
        watchAnnouncements([&announced](QWidget* widget) { announced.append(widget); });
        QStringList seen{window.statusText()};
        for (int second = 0; second < 3; ++second) {
            clock.advance(1100); // the last frame a second older: the status line says so
            QTRY_VERIFY(window.statusText() != seen.constLast());
            seen.append(window.statusText());
        }
        status->setText(seen.constLast());
        watchAnnouncements({});
        QCOMPARE(announced.count(status), 3);
    }
};

QTEST_MAIN(TrendPlotTest)
#include "test_trendplot.moc"
