// SPDX-License-Identifier: GPL-3.0-or-later
// Many lines on one broker: one headless logger per line, each line at its full rate.
#include "BenchSupport.h"

#include "support/Broker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

// One line: a pseudo-terminal the bench writes as a node would, and a logger on it.
struct Line {
    PseudoTerminal pty;
    QProcess logger;
    QByteArray said;
    int framesSent = 0;
};

std::unique_ptr<Line> startLine(int index, const Broker& broker, const QTemporaryDir& work)
{
    auto line = std::make_unique<Line>();
    line->logger.start(QStringLiteral(LOGGER_PATH),
                       {QStringLiteral("--port"), QStringLiteral("COM1=") + line->pty.path(), QStringLiteral("--line"),
                        QStringLiteral("line%1").arg(index), QStringLiteral("--interval"), QStringLiteral("1s"), QStringLiteral("--log"),
                        work.filePath(QStringLiteral("data%1.txt").arg(index)), QStringLiteral("--mqtt"),
                        QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port), QStringLiteral("--ha-discovery")});
    line->logger.waitForStarted();
    // Frames count from the moment the logger reads its line.
    runUntil([&line] { return (line->said += line->logger.readAllStandardError()).contains("reading "); }, 5000);
    return line;
}

// Every line gets `seconds` of frames at the line's full rate, each from a thread of its
// own, while the event loop runs.
void sendOnAll(std::vector<std::unique_ptr<Line>>& lines, const QList<QByteArray>& frames, double seconds)
{
    const int count = static_cast<int>(seconds * kLineFramesPerSecond);
    const auto start = SteadyClock::now();
    const auto period = std::chrono::duration<double>(1.0 / kLineFramesPerSecond);
    std::atomic<int> running(static_cast<int>(lines.size()));
    std::vector<std::thread> nodes;
    for (auto& line : lines) {
        nodes.emplace_back([&, node = line.get()] {
            for (int i = 0; i < count; ++i) {
                std::this_thread::sleep_until(start + std::chrono::duration_cast<SteadyClock::duration>(period * i));
                node->pty.write(frames[i % frames.size()] + "\r\n");
            }
            --running;
        });
        line->framesSent += count;
    }
    runUntil([&running] { return running == 0; }, static_cast<int>(seconds * 1000) + 10000);
    for (std::thread& node : nodes)
        node.join();
    runUntil([] { return false; }, 200);
}

// The CPU of each line's logger, in percent of one core, over `seconds` of frames.
std::vector<double> cpuPerLine(std::vector<std::unique_ptr<Line>>& lines, const QList<QByteArray>& frames, double seconds)
{
    std::vector<double> before;
    for (auto& line : lines)
        before.push_back(processCpuSeconds(line->logger.processId()));
    const auto start = SteadyClock::now();
    sendOnAll(lines, frames, seconds);
    const double wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
    std::vector<double> percent;
    for (std::size_t i = 0; i < lines.size(); ++i)
        percent.push_back(100.0 * (processCpuSeconds(lines[i]->logger.processId()) - before[i]) / wall);
    return percent;
}

// Ends every logger and adds up the frames each says it accepted against those it was sent.
std::pair<qint64, qint64> stopAndCount(std::vector<std::unique_ptr<Line>>& lines)
{
    qint64 sent = 0;
    qint64 accepted = 0;
    const QRegularExpression count(QStringLiteral("frames accepted (\\d+)"));
    for (auto& line : lines) {
        line->logger.terminate();
        if (!line->logger.waitForFinished(5000))
            line->logger.kill();
        const QRegularExpressionMatch match = count.match(QString::fromUtf8(line->said + line->logger.readAllStandardError()));
        sent += line->framesSent;
        accepted += match.hasMatch() ? match.captured(1).toLongLong() : 0;
    }
    return {sent, accepted};
}

} // namespace

void measureLoggerFleet(double seconds, int lineCount)
{
    Broker broker;
    if (QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty() || !broker.start()) {
        addRow(QStringLiteral("CPU per line, %1 loggers on %1 lines").arg(lineCount), QStringLiteral("not measured: no Mosquitto"),
               QStringLiteral("<= 1.2x one line alone"), QStringLiteral("one line alone"), 0, false);
        return;
    }
    QTemporaryDir work;
    const QList<QByteArray> frames = makeFrames(500, true);
    // One line alone, then all of them, in the same run; each settles for a second first.
    std::vector<std::unique_ptr<Line>> alone;
    alone.push_back(startLine(0, broker, work));
    sendOnAll(alone, frames, 1);
    const double single = cpuPerLine(alone, frames, seconds).front();
    const auto [sentAlone, acceptedAlone] = stopAndCount(alone);

    std::vector<std::unique_ptr<Line>> fleet;
    for (int i = 0; i < lineCount; ++i)
        fleet.push_back(startLine(i + 1, broker, work));
    sendOnAll(fleet, frames, 1);
    const std::vector<double> each = cpuPerLine(fleet, frames, seconds);
    const auto [sent, accepted] = stopAndCount(fleet);
    double sum = 0;
    for (const double percent : each)
        sum += percent;
    const double perLine = sum / static_cast<double>(each.size());
    const double ratio = perLine / std::max(single, 0.001);
    addRow(QStringLiteral("CPU per line, %1 zeq4810-logger on %1 lines at 164.6 frames/s each, one local broker, discovery on").arg(lineCount),
           QStringLiteral("%1 % of one core per line (from %2 to %3 %), one line alone %4 %: %5x")
               .arg(perLine, 0, 'f', 2)
               .arg(*std::min_element(each.begin(), each.end()), 0, 'f', 2)
               .arg(*std::max_element(each.begin(), each.end()), 0, 'f', 2)
               .arg(single, 0, 'f', 2)
               .arg(ratio, 0, 'f', 2),
           QStringLiteral("<= 1.2x one line alone"), QStringLiteral("one line alone, same run"), 1.2 / ratio, ratio <= 1.2);
    const qint64 lost = (sent - accepted) + (sentAlone - acceptedAlone);
    addRow(QStringLiteral("frames lost, the same run"),
           QStringLiteral("%1 of %2 (each logger's own count at its end)").arg(lost).arg(sent + sentAlone), QStringLiteral("0"),
           QStringLiteral("every frame sent"), lost == 0 ? 1.0 : 0.0, lost == 0);
}
