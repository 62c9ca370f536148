// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "telemetry/FrameAssembler.h"
#include "trend/TrendBuffer.h"
#include "ui/TrendPlot.h"
#include "ui/TrendWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

// Redraws of the trend window over seven days at one frame a second, its plots about
// 1000 pixels wide, and the memory those seven days take.
void measureTrend(int runs)
{
    // Values that jump over their whole range from frame to frame: every column of the
    // plots holds its tallest upright, the costliest drawing there is.
    const std::int64_t start = QDateTime::currentMSecsSinceEpoch() - 604800LL * 1000;
    const auto sampleAt = [start](std::int64_t i) {
        TrendSample sample;
        sample.msecsSinceEpoch = start + i * 1000;
        for (float& value : sample.values)
            value = 20.0f + static_cast<float>((i * 7919) % 4000) / 100.0f;
        sample.values[TrendSample::LowTemperature] = i < 300000 ? 20 : 22;
        return sample;
    };
    TrendBuffer week;
    std::int64_t next = 0;
    for (; next < 604800; ++next)
        week.append(sampleAt(next));
    addRow(QStringLiteral("memory of the trend's seven days at 1 frame/s (604,800 frames)"),
           QStringLiteral("%1 MB").arg(week.memoryBytes() / 1048576.0, 0, 'f', 1), QStringLiteral("<= 40 MB"),
           QStringLiteral("40 MB goal"), 40.0 / (week.memoryBytes() / 1048576.0), week.memoryBytes() <= 40u * 1048576u);

    FrameAssembler reception;
    TrendWindow window(week, reception);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(1121, 600);
    window.show();
    runUntil([] { return false; }, 300);
    // Plots of one size from build to build, whatever the text around them takes: the
    // lines' pixels are most of the drawing. The window's height is shared by two plots.
    const auto plotArea = [&window] { return window.findChild<TrendPlot*>(QStringLiteral("plotTemperature"))->plotArea(); };
    for (int i = 0; i < 4 && plotArea().size() != QSize(976, 128); ++i) {
        window.resize(window.width() + 976 - plotArea().width(), window.height() + 2 * (128 - plotArea().height()));
        runUntil([] { return false; }, 100);
    }
    window.findChild<QComboBox*>(QStringLiteral("cbSpan"))->setCurrentIndex(4);
    Q_EMIT window.findChild<QComboBox*>(QStringLiteral("cbSpan"))->activated(4); // All
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        // A step of the live edge more of frames a second, so every redraw moves the time
        // axis, the costly case: the axes lay out their labels again. The frames come at
        // the line's pace, as live ones do: no hole breaks the lines. They go on as the
        // week went, so every redraw has the same work.
        for (int frame = 0; frame < (1 << 20) / 1000; ++frame)
            week.append(sampleAt(next++));
        QElapsedTimer timer;
        timer.start();
        window.refresh();
        // The paint the window system asks for: what the redraw marked as changed.
        QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double median = percentile(ms, 0.5);
    addRow(QStringLiteral("trend redraw over 7 days at 1 frame/s, plots %1 x %2 px, time axis moving, median (%3)")
               .arg(plotArea().width())
               .arg(plotArea().height())
               .arg(g_display),
           QStringLiteral("%1 ms over %2 redraws").arg(median, 0, 'f', 2).arg(runs), QStringLiteral("<= 3 ms"),
           QStringLiteral("3 ms goal, a fifth of a 60 Hz refresh"), 3.0 / median, median <= 3.0);
}
