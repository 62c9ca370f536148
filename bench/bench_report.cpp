// Measures the program against the line's physical limits and prints one table.
// A line at 115200 baud carries 11,520 characters, 164.6 frames of 70 characters, a second.

#include "config/ConfigSender.h"
#include "telemetry/FrameAssembler.h"
#include "ui/Form1.h"
#include "ui/Theme.h"

#include "support/PseudoTerminal.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLineFramesPerSecond = 11520.0 / 70.0;
constexpr int kFrameLength = 70;

// Distinct 70-character frames, so the display really changes from frame to frame.
QList<QByteArray> makeFrames(int count)
{
    QList<QByteArray> frames;
    for (int i = 0; i < count; ++i) {
        QByteArray frame = QStringLiteral("?NODE=%1,%2,%3,20,30,40,80,10,1,128,%4,0,1,0,%5,1,")
                               .arg(i % 250 + 1)
                               .arg(20.0 + (i % 150) / 10.0, 0, 'f', 1)
                               .arg(40.0 + (i % 400) / 10.0, 0, 'f', 1)
                               .arg(i % 2)
                               .arg(i % 1024)
                               .toLatin1();
        frame.append(kFrameLength - frame.size(), '0');
        frames.append(frame);
    }
    return frames;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Runs the event loop until done() holds or the time is up. The loop sleeps between
// events; the condition is looked at every 10 ms.
bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(10);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return done();
}

// Writes frameCount frames to the line as fast as it takes them, in chunks, so the
// writer holds no large buffer of its own.
void writeFrames(PseudoTerminal& pty, const QList<QByteArray>& frames, int frameCount)
{
    QByteArray chunk;
    for (int i = 0; i < frameCount; ++i) {
        chunk += frames[i % frames.size()];
        chunk += "\r\n";
        if (chunk.size() >= 65536 || i + 1 == frameCount) {
            pty.write(chunk);
            chunk.clear();
        }
    }
}

// ---- Logic figure, with Google Benchmark ----

void BM_FrameAssembly(benchmark::State& state)
{
    const QList<QByteArray> frames = makeFrames(1000);
    FrameAssembler rx;
    qint64 accepted = 0;
    for (auto _ : state) {
        for (const QByteArray& frame : frames)
            for (char c : frame)
                accepted += rx.receive(c) == FrameAssembler::Outcome::Accepted;
        benchmark::DoNotOptimize(rx.rxFields);
    }
    if (accepted != static_cast<qint64>(state.iterations()) * frames.size())
        state.SkipWithError("a frame was not accepted");
    state.SetItemsProcessed(state.iterations() * frames.size());
}
BENCHMARK(BM_FrameAssembly)->MinTime(2.0);

class CaptureReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                itemsPerSecond = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double itemsPerSecond = 0;
};

// ---- The real main window on a pseudo-terminal ----

struct Program {
    PseudoTerminal pty;
    PortTable table{[] { return QList<SystemSerialDevice>{}; }};
    std::unique_ptr<Form1> form;

    Program()
    {
        table.setMapping(1, pty.path());
        form = std::make_unique<Form1>(table);
        form->startUp();
        form->show();
        form->findChild<QComboBox*>("Combo1")->lineEdit()->setText(QStringLiteral("COM1"));
        form->findChild<QPushButton*>("Command1")->click();
        QObject::connect(&form->comm(), &CommControl::deviceLost, [](const QString& reason) {
            std::fprintf(stderr, "  the line failed: %s\n", qPrintable(reason));
        });
    }
    quint64 accepted() const { return form->reception().framesAccepted; }
};

struct Row {
    QString figure;
    QString measured;
    QString goal;
    QString anchor;
    QString ratio;
    bool met;
};
QList<Row> g_rows;

void addRow(const QString& figure, const QString& measured, const QString& goal, const QString& anchor, double ratio, bool met)
{
    g_rows.append({figure, measured, goal, anchor, QStringLiteral("%1x").arg(ratio, 0, 'f', ratio < 10 ? 2 : 0), met});
    std::fprintf(stderr, "  %s: %s (%s)\n", qPrintable(figure), qPrintable(measured), met ? "met" : "MISSED");
}

struct Stream {
    quint64 shown = 0;
    double framesPerSecond = 0;
    bool complete = false;
    QString text(int frameCount) const
    {
        return QStringLiteral("%1 frames/s, %2 of %3 frames shown").arg(framesPerSecond, 0, 'f', 0).arg(shown).arg(frameCount);
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

void measureThroughput(Program& program, int frameCount)
{
    const Stream stream = streamFrames(program, frameCount);
    addRow(QStringLiteral("receive path end to end (real window, pty, display updating)"), stream.text(frameCount),
           QStringLiteral(">= 10,000 frames/s, none lost"), QStringLiteral("164.6 frames/s line maximum"),
           stream.framesPerSecond / kLineFramesPerSecond, stream.complete && stream.framesPerSecond >= 10000);
}

void measureLineRateCpu(Program& program, double seconds)
{
    const QList<QByteArray> frames = makeFrames(500);
    const int frameCount = static_cast<int>(seconds * kLineFramesPerSecond);
    const quint64 before = program.accepted();
    std::atomic<bool> finished{false};
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // The main thread sleeps in its event loop until the node is done: nothing of the
    // measurement itself wakes it.
    QEventLoop loop;
    std::thread writer([&] {
        const auto start = Clock::now();
        const auto period = std::chrono::duration<double>(1.0 / kLineFramesPerSecond);
        for (int i = 0; i < frameCount; ++i) {
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(period * i));
            program.pty.write(frames[i % frames.size()] + "\r\n");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    writer.join();
    runUntil([&] { return program.accepted() - before >= static_cast<quint64>(frameCount); }, 5000);
    const double cpu = threadCpuSeconds() - cpuBefore;
    const double percent = 100.0 * cpu / (wall.nsecsElapsed() / 1e9);
    addRow(QStringLiteral("CPU while the node sends at the line's full rate"),
           QStringLiteral("%1 % of one core (%2 frames)").arg(percent, 0, 'f', 2).arg(program.accepted() - before),
           QStringLiteral("<= 2 %"), QStringLiteral("100 % of one core"), 100.0 / std::max(percent, 0.001),
           percent <= 2.0 && program.accepted() - before == static_cast<quint64>(frameCount));
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
            program.form->sendWindowTick(); // the 300 ms window of the last round ends now
        ConfigInputs inputs;
        inputs.sensorNumber = QStringLiteral("5");
        sender.submit(inputs);
        queued = true;
    };
    queueOne();
    std::thread node([&] {
        char buffer[256];
        for (int i = 0; i < rounds; ++i) {
            while (!queued.load())
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            queued = false;
            program.pty.write(frames[i]);
            const auto written = Clock::now();
            pollfd p{program.pty.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                break;
            const auto answered = Clock::now();
            latenciesMs.push_back(std::chrono::duration<double, std::milli>(answered - written).count());
            QByteArray command;
            while (!command.endsWith("\r\n")) {
                const ssize_t n = ::read(program.pty.masterFd(), buffer, sizeof buffer);
                if (n > 0)
                    command.append(buffer, n);
                else
                    ::poll(&p, 1, 100);
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
    program.form->sendWindowTick();
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
    addRow(QStringLiteral("CPU while a command waits on a silent line"),
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

    const quint64 charactersBefore = program.form->reception().charactersReceived;
    std::thread writer([&] {
        for (qint64 sent = 0; sent < noiseBytes; sent += chunk.size())
            program.pty.write(chunk);
    });
    runUntil([&] { return program.form->reception().charactersReceived - charactersBefore >= static_cast<quint64>(noiseBytes); }, 300000);
    writer.join();
    const qint64 afterNoiseKb = statusKb("VmRSS:");

    const Stream frames = streamFrames(program, frameCount);
    const qint64 afterFramesKb = statusKb("VmRSS:");
    const qint64 peakKb = statusKb("VmHWM:");
    const double growthMb = std::max(afterNoiseKb, afterFramesKb) / 1024.0 - startKb / 1024.0;
    addRow(QStringLiteral("memory: peak resident size"), QStringLiteral("%1 MB").arg(peakKb / 1024.0, 0, 'f', 1),
           QStringLiteral("<= 80 MB"), QStringLiteral("80 MB goal"), 80.0 / (peakKb / 1024.0), peakKb <= 80 * 1024);
    addRow(QStringLiteral("memory growth over %1 MB without \"?\" and %2 frames").arg(noiseBytes >> 20).arg(frameCount),
           QStringLiteral("%1 MB (%2 after the bytes, %3 after the frames: %4)")
               .arg(growthMb, 0, 'f', 2)
               .arg((afterNoiseKb - startKb) / 1024.0, 0, 'f', 2)
               .arg((afterFramesKb - startKb) / 1024.0, 0, 'f', 2)
               .arg(frames.text(frameCount)),
           QStringLiteral("<= 1 MB"), QStringLiteral("1 MB goal"), 1.0 / std::max(growthMb, 0.01),
           growthMb <= 1.0 && frames.complete);
}

void measureStartup(int runs)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
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
    addRow(QStringLiteral("start-up to the main window shown (offscreen), median"),
           QStringLiteral("%1 ms over %2 runs").arg(median, 0, 'f', 0).arg(ms.size()), QStringLiteral("<= 400 ms"),
           QStringLiteral("400 ms goal"), 400.0 / median, median <= 400 && ms.size() == runs);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // bench_report [--quick] [--only logic|throughput|linerate|latency|waiting|memory|startup]
    bool quick = false;
    QString only;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (qstrcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = QString::fromLatin1(argv[++i]);
    }
    const auto wanted = [&only](const char* figure) { return only.isEmpty() || only == QLatin1String(figure); };
    if (wanted("logic")) {
        int benchArgc = 1;
        benchmark::Initialize(&benchArgc, argv);
        CaptureReporter reporter;
        std::fprintf(stderr, "Frame assembly and splitting, logic alone:\n");
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const double framesPerSecond = reporter.itemsPerSecond;
        addRow(QStringLiteral("frame assembly and splitting, logic alone"),
               QStringLiteral("%1 frames/s").arg(framesPerSecond, 0, 'f', 0), QStringLiteral(">= 1,000,000 frames/s"),
               QStringLiteral("164.6 frames/s line maximum"), framesPerSecond / kLineFramesPerSecond, framesPerSecond >= 1e6);
    }

    int appArgc = 1;
    QApplication app(appArgc, argv);
    installClassicLook();
    std::fprintf(stderr, "End to end, the real main window on a pseudo-terminal:\n");
    {
        Program program;
        if (wanted("throughput"))
            measureThroughput(program, quick ? 20000 : 200000);
        if (wanted("linerate"))
            measureLineRateCpu(program, quick ? 3 : 10);
        if (wanted("latency"))
            measureSendLatency(program, quick ? 200 : 1000);
        if (wanted("waiting"))
            measureWaitingCpu(program, quick ? 3 : 10);
        if (wanted("memory"))
            measureMemory(program, quick ? (8ll << 20) : (100ll << 20), quick ? 50000 : 1000000);
    }
    if (wanted("startup"))
        measureStartup(quick ? 5 : 11);

    std::printf("| figure | measured | goal | held against | ratio |\n|---|---|---|---|---|\n");
    bool allMet = true;
    for (const Row& row : g_rows) {
        std::printf("| %s | %s | %s%s | %s | %s |\n", qPrintable(row.figure), qPrintable(row.measured), qPrintable(row.goal),
                    row.met ? "" : " (missed)", qPrintable(row.anchor), qPrintable(row.ratio));
        allMet = allMet && row.met;
    }
    return allMet ? 0 : 1;
}
