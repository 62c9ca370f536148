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

// One run of the real program connected to a pseudo-terminal while this process sends at
// the line's full rate: the CPU of its whole process over three windows of windowSeconds,
// and its peak resident memory after totalSeconds; with the trend window open or not.
struct ProgramRun {
    std::vector<double> cpuWindows; // empty when the program did not connect
    qint64 peakKb = 0;
};

ProgramRun runProgram(double windowSeconds, double totalSeconds, bool withTrend)
{
    PseudoTerminal pty;
    QProcess program;
    QStringList arguments{QStringLiteral("--connect"), QStringLiteral("--port"), QStringLiteral("COM1=") + pty.path()};
    if (withTrend)
        arguments.prepend(QStringLiteral("--trend"));
    program.start(QStringLiteral(STARTUP_PATH), arguments);
    while (program.state() != QProcess::NotRunning && !program.canReadLine())
        program.waitForReadyRead(5000);
    if (!program.readLine().startsWith("connected")) {
        std::fprintf(stderr, "  the program did not connect: %s\n", program.readAllStandardError().constData());
        return {};
    }
    const qint64 pid = program.processId();
    const QList<QByteArray> frames = makeFrames(500);
    ProgramRun run;
    sendForSeconds(pty, frames, 1); // to settle into its working state
    for (int i = 0; i < 3; ++i)
        run.cpuWindows.push_back(cpuOverWindow(pid, pty, frames, windowSeconds));
    sendForSeconds(pty, frames, std::max(0.0, totalSeconds - 1 - 3 * windowSeconds));
    run.peakKb = statusKb("VmHWM:", QString::number(pid));
    program.terminate();
    if (!program.waitForFinished(3000))
        program.kill();
    return run;
}

QString runsText(std::size_t runs) { return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs); }

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The figures of `runs` runs of one kind: the median of all their CPU windows, the mean
// of their peaks, and the text of each.
struct ProgramFigures {
    double cpuPercent = 0;
    double peakMb = 0;
    double highestPeakMb = 0;
    QString cpuText;
    QString peakText;
    bool complete = true;
};

ProgramFigures combine(const std::vector<ProgramRun>& runs, double windowSeconds)
{
    ProgramFigures figures;
    std::vector<double> windows;
    QStringList cpuTexts;
    QStringList peakTexts;
    for (const ProgramRun& run : runs) {
        figures.complete = figures.complete && !run.cpuWindows.empty() && run.peakKb > 0;
        windows.insert(windows.end(), run.cpuWindows.begin(), run.cpuWindows.end());
        QStringList texts;
        for (const double window : run.cpuWindows)
            texts << QString::number(window, 'f', 2);
        cpuTexts << texts.join(QStringLiteral(", "));
        figures.peakMb += run.peakKb / 1024.0 / static_cast<double>(runs.size());
        figures.highestPeakMb = std::max(figures.highestPeakMb, run.peakKb / 1024.0);
        peakTexts << QString::number(run.peakKb / 1024.0, 'f', 1);
    }
    figures.cpuPercent = median(windows);
    figures.cpuText = QStringLiteral("median of %1 windows of %2 s in %3: %4 %")
                          .arg(windows.size())
                          .arg(windowSeconds, 0, 'f', 0)
                          .arg(runsText(runs.size()))
                          .arg(cpuTexts.join(QStringLiteral("; ")));
    figures.peakText = peakTexts.join(QStringLiteral(", "));
    return figures;
}

} // namespace

// Runs the real program as its own process, `rounds` times without the trend window and
// as many times with it, alternately, so that both meet the machine in the same minutes
// and one run's chance does not decide a comparison.
void measureProgramProcess(double windowSeconds, double totalSeconds, int rounds)
{
    std::vector<ProgramRun> without;
    std::vector<ProgramRun> with;
    double reference = -1;
    for (int round = 0; round < rounds; ++round) {
        without.push_back(runProgram(windowSeconds, totalSeconds, false));
        // The reference right after, while the machine is as it was for the program.
        if (round == 0)
            reference = referenceCpu("--window", windowSeconds);
        with.push_back(runProgram(windowSeconds, totalSeconds, true));
    }
    const ProgramFigures plain = combine(without, windowSeconds);
    const ProgramFigures trend = combine(with, windowSeconds);

    const double ratio = plain.cpuPercent / std::max(reference, 0.001);
    addRow(QStringLiteral("CPU of the whole program at 164.6 frames/s, values changing every frame (%1)").arg(g_display),
           cpuText(plain.cpuPercent, plain.cpuText, reference), QStringLiteral("<= %1x the reference").arg(kProgramCpuRatio),
           QStringLiteral("a plain Qt window repainting a label at every read of the same line, same run"), kProgramCpuRatio / ratio,
           plain.complete && reference > 0 && ratio <= kProgramCpuRatio);
    addRow(QStringLiteral("peak resident memory of the program after %1 s at full rate (%2), highest of %3")
               .arg(totalSeconds, 0, 'f', 0)
               .arg(g_display)
               .arg(runsText(static_cast<std::size_t>(rounds))),
           QStringLiteral("%1 MB (%2 MB)").arg(plain.highestPeakMb, 0, 'f', 1).arg(plain.peakText), QStringLiteral("<= 60 MB"),
           QStringLiteral("60 MB goal"), 60.0 / std::max(plain.highestPeakMb, 0.01), plain.complete && plain.highestPeakMb <= 60);

    const double trendRatio = trend.cpuPercent / std::max(plain.cpuPercent, 0.001);
    addRow(QStringLiteral("the same with the trend window open, runs alternating with those without"),
           QStringLiteral("%1 % of one core, %2 (%3x the figure without)").arg(trend.cpuPercent, 0, 'f', 2).arg(trend.cpuText).arg(trendRatio, 0, 'f', 2),
           QStringLiteral("<= 1.15x the figure without"), QStringLiteral("figure without the trend"), 1.15 / trendRatio,
           trend.complete && plain.complete && trendRatio <= 1.15);
    const double moreMb = trend.peakMb - plain.peakMb;
    addRow(QStringLiteral("peak resident memory with the trend window open, mean of %1 against as many without")
               .arg(runsText(static_cast<std::size_t>(rounds))),
           QStringLiteral("%1 MB, %2 MB more than without (with: %3 MB; without: %4 MB)")
               .arg(trend.peakMb, 0, 'f', 1)
               .arg(moreMb, 0, 'f', 2)
               .arg(trend.peakText)
               .arg(plain.peakText),
           QStringLiteral("<= 2 MB more than without"), QStringLiteral("figure without the trend"), 2.0 / std::max(moreMb, 0.01),
           trend.complete && plain.complete && moreMb <= 2.0);
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
