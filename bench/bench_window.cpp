// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "config/ConfigSender.h"
#include "telemetry/FrameAssembler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

struct Stream {
    quint64 shown = 0;
    double framesPerSecond = 0;
    bool complete = false;
    QString text(int frameCount) const
    {
        return QStringLiteral("%1 frames/s, %2 of %3 frames accepted").arg(framesPerSecond, 0, 'f', 0).arg(shown).arg(frameCount);
    }
};

// Streams frames as fast as the line takes them and counts what the window showed.
Stream streamFrames(Program& program, int frameCount)
{
    static const QList<QByteArray> frames = makeFrames(997);
    const quint64 before = program.accepted();
    QElapsedTimer elapsed;
    elapsed.start();
    std::thread writer([&] { writeFrames(program.pty, frames, frameCount); });
    const bool all = runUntil([&] { return program.accepted() - before >= static_cast<quint64>(frameCount); }, 120000);
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    writer.join();
    const quint64 processed = program.accepted() - before;
    if (!all)
        std::fprintf(stderr, "  only %llu of %d frames arrived; %llu characters received, %llu frames dropped\n",
                     static_cast<unsigned long long>(processed), frameCount,
                     static_cast<unsigned long long>(program.form->reception().charactersReceived),
                     static_cast<unsigned long long>(program.form->reception().framesDropped));

    return {processed, processed / seconds, all && processed == static_cast<quint64>(frameCount)};
}

} // namespace

void measureThroughput(Program& program, int frameCount)
{
    const Stream stream = streamFrames(program, frameCount);
    addRow(QStringLiteral("frames accepted by the window's receive path (real window, pty, display updating)"), stream.text(frameCount),
           QStringLiteral(">= 10,000 frames/s, none lost"), QStringLiteral("164.6 frames/s line maximum"),
           stream.framesPerSecond / kLineFramesPerSecond, stream.complete && stream.framesPerSecond >= 10000);
}

void measureSendLatency(Program& program, int rounds)
{
    const QList<QByteArray> frames = makeFrames(rounds);
    std::vector<double> latenciesMs;
    std::atomic<bool> queued{false};
    std::atomic<bool> finished{false};
    ConfigSender& sender = program.form->configSender();
    auto queueOne = [&] {
        if (program.form->flagRxByte() == FrameAssembler::kSendWindowOpen)
            program.form->session().sendWindowTick(); // the 300 ms window of the last round ends now
        ConfigInputs inputs;
        inputs.sensorNumber = QStringLiteral("5");
        sender.submit(inputs);
        queued = true;
    };
    queueOne();
    std::thread node([&] {
        for (int i = 0; i < rounds; ++i) {
            while (!queued.load())
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            queued = false;
            program.pty.write(frames[i]);
            const auto written = SteadyClock::now();
            if (!program.pty.waitForOutput(2000))
                break;
            const auto answered = SteadyClock::now();
            latenciesMs.push_back(std::chrono::duration<double, std::milli>(answered - written).count());
            QByteArray command = program.pty.readAvailable();
            while (!command.endsWith("\r\n")) {
                program.pty.waitForOutput(100);
                command += program.pty.readAvailable();
            }
            program.pty.write("\r\n");
            if (i + 1 < rounds)
                QMetaObject::invokeMethod(qApp, queueOne, Qt::QueuedConnection);
        }
        finished = true;
    });
    runUntil([&] { return finished.load(); }, 120000);
    node.join();
    std::sort(latenciesMs.begin(), latenciesMs.end());
    const auto at = [&](double q) { return latenciesMs.empty() ? 1e9 : latenciesMs[static_cast<std::size_t>(q * (latenciesMs.size() - 1))]; };
    const double median = at(0.5);
    const double p99 = at(0.99);
    addRow(QStringLiteral("send latency, frame's last character -> command's first (median)"),
           QStringLiteral("%1 ms over %2 frames").arg(median, 0, 'f', 3).arg(latenciesMs.size()),
           QStringLiteral("<= 1 ms"), QStringLiteral("300 ms send window"), 300.0 / median,
           median <= 1.0 && static_cast<int>(latenciesMs.size()) == rounds);
    addRow(QStringLiteral("send latency, 99th percentile"), QStringLiteral("%1 ms").arg(p99, 0, 'f', 3),
           QStringLiteral("<= 5 ms"), QStringLiteral("300 ms send window"), 300.0 / p99, p99 <= 5.0);
}

void measureWaitingCpu(Program& program, double seconds)
{
    // A silent line: let any earlier send window close, then queue one command.
    runUntil([] { return false; }, 400);
    program.form->session().sendWindowTick();
    ConfigInputs inputs;
    program.form->configSender().submit(inputs);
    const qsizetype pendingBefore = program.form->configSender().pending();
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A local loop: quitting the application would close its windows.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = threadCpuSeconds() - cpuBefore;
    const double percent = 100.0 * cpu / (wall.nsecsElapsed() / 1e9);
    addRow(QStringLiteral("CPU while a command waits on a silent line (main thread)"),
           QStringLiteral("%1 % of one core over %2 s").arg(percent, 0, 'f', 3).arg(seconds, 0, 'f', 0),
           QStringLiteral("<= 0.5 %"), QStringLiteral("100 % of one core"), 100.0 / std::max(percent, 0.001),
           percent <= 0.5 && pendingBefore == 1);
}

void measureMemory(Program& program, qint64 noiseBytes, int frameCount)
{
    // Warm up, so the buffers of the display and the line have their working size.
    const QByteArray chunk(1 << 16, 'x');
    streamFrames(program, 20000);
    const qint64 startKb = statusKb("VmRSS:");
    const auto trendUsedKb = [&program] { return static_cast<qint64>(program.form->trend().usedBytes() / 1024); };
    const qint64 trendStartKb = trendUsedKb();

    const quint64 charactersBefore = program.form->reception().charactersReceived;
    std::thread writer([&] {
        for (qint64 sent = 0; sent < noiseBytes; sent += chunk.size())
            program.pty.write(chunk);
    });
    runUntil([&] { return program.form->reception().charactersReceived - charactersBefore >= static_cast<quint64>(noiseBytes); }, 300000);
    writer.join();
    // The trend keeps every accepted frame up to its bound, with its summaries, and a line
    // without "?" still completes a frame every 71 characters: intended growth, not a leak,
    // so the buffer's own figure of what it holds is taken out.
    const auto trendKb = [&] { return trendUsedKb() - trendStartKb; };
    const qint64 afterNoiseKb = statusKb("VmRSS:") - trendKb();

    const Stream frames = streamFrames(program, frameCount);
    const qint64 afterFramesKb = statusKb("VmRSS:");
    const qint64 trendGrowthKb = trendKb();
    const double growthMb = (std::max(afterNoiseKb, afterFramesKb - trendGrowthKb) - startKb) / 1024.0;
    addRow(QStringLiteral("memory growth of the receive path over %1 MB without \"?\" and %2 frames").arg(noiseBytes >> 20).arg(frameCount),
           QStringLiteral("%1 MB (%2 after the bytes, %3 after the frames, beside the trend's own growth of %4 MB, samples and summaries: %5)")
               .arg(growthMb, 0, 'f', 2)
               .arg((afterNoiseKb - startKb) / 1024.0, 0, 'f', 2)
               .arg((afterFramesKb - trendGrowthKb - startKb) / 1024.0, 0, 'f', 2)
               .arg(trendGrowthKb / 1024.0, 0, 'f', 1)
               .arg(frames.text(frameCount)),
           QStringLiteral("<= 1 MB"), QStringLiteral("1 MB goal"), 1.0 / std::max(growthMb, 0.01),
           growthMb <= 1.0 && frames.complete);
}

void measureStartup(int runs)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(STARTUP_PATH), {});
        while (process.state() != QProcess::NotRunning && !process.canReadLine())
            process.waitForReadyRead(5000);
        if (process.readLine().startsWith("shown"))
            ms.append(timer.nsecsElapsed() / 1e6);
        process.waitForFinished(5000);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms.isEmpty() ? 1e9 : ms[ms.size() / 2];
    addRow(QStringLiteral("start-up to the main window's first paint (%1, whole process), median").arg(g_display),
           QStringLiteral("%1 ms over %2 runs").arg(median, 0, 'f', 0).arg(ms.size()), QStringLiteral("<= 150 ms"),
           QStringLiteral("150 ms goal"), 150.0 / median, median <= 150 && ms.size() == runs);
}
