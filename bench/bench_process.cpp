// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "support/Broker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace {

// The CPU goals, as ratios to a reference measured in the same run: a shared machine that
// runs slower moves both.
constexpr double kProgramCpuRatio = 1.0;
constexpr double kLoggerCpuRatio = 3.0;

// CPU time of all threads of a process, from the scheduler's nanosecond counters.
double processCpuSeconds(qint64 pid)
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}


void sendForSeconds(PseudoTerminal& pty, const QList<QByteArray>& frames, double seconds)
{
    sendAtRate(pty, frames, static_cast<int>(seconds * kLineFramesPerSecond), kLineFramesPerSecond);
}

// The CPU of process `pid`, in percent of one core, while frames go to it at the line's
// full rate for `seconds`.
double cpuOverWindow(qint64 pid, PseudoTerminal& pty, const QList<QByteArray>& frames, double seconds)
{
    const double cpuBefore = processCpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    sendForSeconds(pty, frames, seconds);
    return 100.0 * (processCpuSeconds(pid) - cpuBefore) / (wall.nsecsElapsed() / 1e9);
}

// The same after one second to settle into its working state.
double cpuWhileSending(qint64 pid, PseudoTerminal& pty, const QList<QByteArray>& frames, double seconds)
{
    sendForSeconds(pty, frames, 1);
    return cpuOverWindow(pid, pty, frames, seconds);
}

// The CPU of process `pid` as cpuWhileSending measures it, over three windows of `seconds`
// one after the other: the median, and the text of all three. A burst from another tenant
// of a shared machine moves one window, not the median.
std::pair<double, QString> medianCpuWhileSending(qint64 pid, PseudoTerminal& pty, const QList<QByteArray>& frames, double seconds)
{
    std::vector<double> windows{cpuWhileSending(pid, pty, frames, seconds)};
    for (int i = 1; i < 3; ++i)
        windows.push_back(cpuOverWindow(pid, pty, frames, seconds));
    const QString text = QStringLiteral("median of 3 windows of %1 s: %2, %3, %4 %")
                             .arg(seconds, 0, 'f', 0)
                             .arg(windows[0], 0, 'f', 2)
                             .arg(windows[1], 0, 'f', 2)
                             .arg(windows[2], 0, 'f', 2);
    std::sort(windows.begin(), windows.end());
    return {windows[1], text};
}

// CPU time a frame, in microseconds, for a CPU figure at the line's full rate.
double microsecondsPerFrame(double percent) { return percent / 100.0 / kLineFramesPerSecond * 1e6; }

// The reference of the CPU figures, measured in the same run as the figure held against it:
// bench_reference --window (a plain Qt window repainting a label at every read) or --core
// (the line read and dropped), on the same line at the same rate.
double referenceCpu(const char* mode, double windowSeconds)
{
    PseudoTerminal pty;
    QProcess reference;
    reference.start(QStringLiteral(REFERENCE_PATH), {QLatin1String(mode), pty.slavePath()});
    while (reference.state() != QProcess::NotRunning && !reference.canReadLine())
        reference.waitForReadyRead(5000);
    if (!reference.readLine().startsWith("connected"))
        return -1;
    const auto [percent, windows] = medianCpuWhileSending(reference.processId(), pty, makeFrames(500), windowSeconds);
    std::fprintf(stderr, "  reference %s: %.2f %% of one core, %s\n", mode, percent, qPrintable(windows));
    reference.terminate();
    if (!reference.waitForFinished(3000))
        reference.kill();
    return percent;
}

// The measured, the per-frame cost and the ratio to the reference, for a CPU row.
QString cpuText(double percent, const QString& windows, double reference)
{
    return QStringLiteral("%1 % of one core (%2 µs a frame), %3; %4x the reference's %5 %")
        .arg(percent, 0, 'f', 2)
        .arg(microsecondsPerFrame(percent), 0, 'f', 1)
        .arg(windows)
        .arg(percent / std::max(reference, 0.001), 0, 'f', 2)
        .arg(reference, 0, 'f', 2);
}

} // namespace

// Runs the real program connected to a pseudo-terminal while a node thread of this
// process sends at the line's full rate, and measures the program's whole process: CPU
// over three windows of windowSeconds, peak resident memory after totalSeconds. With
// `withoutTrend`, the trend window is open and the figures are held against those.
ProcessFigures measureProgramProcess(double windowSeconds, double totalSeconds, const ProcessFigures* withoutTrend)
{
    PseudoTerminal pty;
    QProcess program;
    QStringList arguments{QStringLiteral("--connect"), QStringLiteral("--port"), QStringLiteral("COM1=") + pty.path()};
    if (withoutTrend)
        arguments.prepend(QStringLiteral("--trend"));
    program.start(QStringLiteral(STARTUP_PATH), arguments);
    while (program.state() != QProcess::NotRunning && !program.canReadLine())
        program.waitForReadyRead(5000);
    if (!program.readLine().startsWith("connected")) {
        std::fprintf(stderr, "  the program did not connect: %s\n", program.readAllStandardError().constData());
        addRow(QStringLiteral("CPU of the whole program at 164.6 frames/s (%1)").arg(g_display), QStringLiteral("not measured"),
               QStringLiteral("<= 3 %"), QStringLiteral("100 % of one core"), 0, false);
        return {};
    }
    const qint64 pid = program.processId();
    const QList<QByteArray> frames = makeFrames(500);
    ProcessFigures figures;
    QString windows;
    std::tie(figures.cpuPercent, windows) = medianCpuWhileSending(pid, pty, frames, windowSeconds);
    if (withoutTrend) {
        const double ratio = figures.cpuPercent / withoutTrend->cpuPercent;
        addRow(QStringLiteral("the same with the trend window open"),
               QStringLiteral("%1 % of one core, %2 (%3x the figure without)").arg(figures.cpuPercent, 0, 'f', 2).arg(windows).arg(ratio, 0, 'f', 2),
               QStringLiteral("<= 1.15x the figure without"), QStringLiteral("figure without the trend"), 1.15 / ratio, ratio <= 1.15);
    } else {
        // The reference right after, while the machine is as it was for the program.
        const double reference = referenceCpu("--window", windowSeconds);
        const double ratio = figures.cpuPercent / std::max(reference, 0.001);
        addRow(QStringLiteral("CPU of the whole program at 164.6 frames/s, values changing every frame (%1)").arg(g_display),
               cpuText(figures.cpuPercent, windows, reference), QStringLiteral("<= %1x the reference").arg(kProgramCpuRatio),
               QStringLiteral("a plain Qt window repainting a label at every read of the same line, same run"), kProgramCpuRatio / ratio,
               reference > 0 && ratio <= kProgramCpuRatio);
    }
    sendForSeconds(pty, frames, std::max(0.0, totalSeconds - 1 - 3 * windowSeconds));
    figures.peakKb = statusKb("VmHWM:", QString::number(pid));
    if (withoutTrend) {
        const double moreMb = (figures.peakKb - withoutTrend->peakKb) / 1024.0;
        addRow(QStringLiteral("peak resident memory with the trend window open"),
               QStringLiteral("%1 MB, %2 MB more than without").arg(figures.peakKb / 1024.0, 0, 'f', 1).arg(moreMb, 0, 'f', 1),
               QStringLiteral("<= 2 MB more than without"), QStringLiteral("figure without the trend"),
               2.0 / std::max(moreMb, 0.01), figures.peakKb > 0 && moreMb <= 2.0);
    } else {
        addRow(QStringLiteral("peak resident memory of the program after %1 s at full rate (%2)").arg(totalSeconds, 0, 'f', 0).arg(g_display),
               QStringLiteral("%1 MB").arg(figures.peakKb / 1024.0, 0, 'f', 1), QStringLiteral("<= 60 MB"), QStringLiteral("60 MB goal"),
               60.0 / (figures.peakKb / 1024.0), figures.peakKb > 0 && figures.peakKb <= 60 * 1024);
    }
    program.terminate();
    if (!program.waitForFinished(3000))
        program.kill();
    return figures;
}

// Runs the headless logger on a pseudo-terminal while this process sends at the line's
// full rate, logging every second and publishing to a broker of its own when Mosquitto is
// installed: the logger's CPU over `seconds` and its peak resident memory.
void measureLogger(double seconds)
{
    PseudoTerminal pty;
    QTemporaryDir work;
    Broker broker;
    QStringList arguments{QStringLiteral("--port"), QStringLiteral("COM1=") + pty.path(), QStringLiteral("--interval"),
                          QStringLiteral("1s"), QStringLiteral("--log"), work.filePath(QStringLiteral("data.txt")), QStringLiteral("--quiet")};
    const bool mqtt = !QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty() && broker.start();
    if (mqtt)
        arguments << QStringLiteral("--mqtt") << QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port) << QStringLiteral("--ha-discovery");
    QProcess logger;
    logger.start(QStringLiteral(LOGGER_PATH), arguments);
    logger.waitForStarted();
    const qint64 pid = logger.processId();
    // One node, as on a real line: its topics are made once, its states sent twice a second.
    const QList<QByteArray> frames = makeFrames(500, true);
    const auto [percent, windows] = medianCpuWhileSending(pid, pty, frames, seconds);
    const qint64 peakKb = statusKb("VmHWM:", QString::number(pid));
    const QString what = mqtt ? QStringLiteral("logging every 1 s, publishing to a local broker with discovery")
                              : QStringLiteral("logging every 1 s, no broker installed");
    const double reference = referenceCpu("--core", seconds);
    const double ratio = percent / std::max(reference, 0.001);
    addRow(QStringLiteral("CPU of zeq4810-logger at 164.6 frames/s, %1").arg(what), cpuText(percent, windows, reference),
           QStringLiteral("<= %1x the reference").arg(kLoggerCpuRatio),
           QStringLiteral("a plain Qt program reading the same line and dropping it, same run"), kLoggerCpuRatio / ratio,
           reference > 0 && ratio <= kLoggerCpuRatio);
    addRow(QStringLiteral("peak resident memory of zeq4810-logger, the same run"), QStringLiteral("%1 MB").arg(peakKb / 1024.0, 0, 'f', 1),
           QStringLiteral("<= 20 MB"), QStringLiteral("20 MB goal"), 20.0 / (peakKb / 1024.0), peakKb > 0 && peakKb <= 20 * 1024);
    logger.terminate();
    if (!logger.waitForFinished(3000))
        logger.kill();
}
