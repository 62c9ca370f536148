// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the program against the line's physical limits and prints one table.
// A line at 115200 baud carries 11,520 characters, 164.6 frames of 70 characters, a second.
// Figures a user sees (paint latency, CPU, memory, start-up) are taken on the X server
// named by DISPLAY (bench/run starts Xvfb); without one they fall back to offscreen and
// say so in their names. Each group of figures is measured in a file of its own.
#include "BenchSupport.h"

#include "ui/Theme.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // bench_report [--quick] [--only logic|throughput|paint|latency|waiting|memory|trend|process|startup|logger|fleet|windows]
    const bool xServer = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!xServer)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_display = xServer ? QStringLiteral("X server") : QStringLiteral("offscreen");
    bool quick = false;
    QString only;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (qstrcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = QString::fromLatin1(argv[++i]);
    }
    const QString loadBefore = loadAverage();
    const auto wanted = [&only](const char* figure) { return only.isEmpty() || only == QLatin1String(figure); };
    if (wanted("logic")) {
        const double framesPerSecond = measureLogic(argv[0]);
        addRow(QStringLiteral("frame assembly and splitting, logic alone"),
               QStringLiteral("%1 frames/s").arg(framesPerSecond, 0, 'f', 0), QStringLiteral(">= 3,000,000 frames/s"),
               QStringLiteral("164.6 frames/s line maximum"), framesPerSecond / kLineFramesPerSecond, framesPerSecond >= 3e6);
    }

    int appArgc = 1;
    QApplication app(appArgc, argv);
    installClassicLook();
    std::fprintf(stderr, "End to end, the real main window on a pseudo-terminal (%s):\n", qPrintable(g_display));
    {
        Program program;
        if (wanted("throughput"))
            measureThroughput(program, quick ? 20000 : 200000);
        if (wanted("paint"))
            measurePaintLatency(program, quick);
        if (wanted("latency"))
            measureSendLatency(program, quick ? 200 : 1000);
        if (wanted("waiting"))
            measureWaitingCpu(program, quick ? 3 : 10);
        if (wanted("memory"))
            measureMemory(program, quick ? (8ll << 20) : (100ll << 20), quick ? 50000 : 1000000);
    }
    if (wanted("trend"))
        measureTrend(quick ? 5 : 1001);
    if (wanted("process")) {
        std::fprintf(stderr, "The program as its own process, connected to a node at the line's full rate:\n");
        measureProgramProcess(quick ? 1 : 10, quick ? 10 : 60, quick ? 1 : 2);
    }
    if (wanted("startup"))
        measureStartup(quick ? 5 : 11);
    if (wanted("logger")) {
        std::fprintf(stderr, "The headless logger at the line's full rate:\n");
        measureLogger(quick ? 3 : 10);
    }
    if (wanted("fleet")) {
        std::fprintf(stderr, "Sixteen lines, a logger each, on one broker:\n");
        measureLoggerFleet(quick ? 3 : 10, 16);
    }
    if (wanted("windows")) {
        std::fprintf(stderr, "The Windows program under Wine:\n");
        measureWindows(quick ? 3 : 7);
    }

    std::printf("Load average before: %s, after: %s (1, 5, 15 min; 2 cores)\n\n", qPrintable(loadBefore), qPrintable(loadAverage()));
    std::printf("| figure | measured | goal | held against | ratio | met |\n|---|---|---|---|---|---|\n");
    bool allMet = true;
    for (const Row& row : g_rows) {
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(row.figure), qPrintable(row.measured), qPrintable(row.goal),
                    qPrintable(row.anchor), qPrintable(row.ratio), row.met ? "met" : "**missed**");
        allMet = allMet && row.met;
    }
    return allMet ? 0 : 1;
}
