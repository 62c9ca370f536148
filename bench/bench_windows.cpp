// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// Milliseconds from starting `exe` under Wine until its window titled `title` is on
// screen, the median of `runs` starts; the Wine server stays up between them.
double startupUnderWine(const QString& exe, const QString& title, const QProcessEnvironment& environment, int runs)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess program;
        program.setProcessEnvironment(environment);
        QProcess shown;
        QElapsedTimer timer;
        timer.start();
        program.start(QStringLiteral("wine"), {exe});
        shown.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                                QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)});
        if (shown.waitForFinished(30000) && shown.exitCode() == 0)
            ms.append(timer.nsecsElapsed() / 1e6);
        program.kill();
        program.waitForFinished(5000);
    }
    std::sort(ms.begin(), ms.end());
    return ms.size() == runs ? ms[ms.size() / 2] : -1;
}

} // namespace

void measureWindows(int runs)
{
    const QString build = QStringLiteral(WINDOWS_BUILD_DIR);
    const QString program = build + QStringLiteral("/src/zeq4810pc.exe");
    const QString minimal = build + QStringLiteral("/bench/windows/minimal_window.exe");
    if (!QFileInfo::exists(program) || !QFileInfo::exists(minimal) || QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        std::fprintf(stderr, "  Windows figures skipped: no Windows build (scripts/windows-qt, then bench/run builds it) or no Wine\n");
        return;
    }
    QTemporaryDir prefix;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix.path());
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const auto run = [&environment](const QString& tool, const QStringList& arguments, int timeoutMs) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(tool, arguments);
        return process.waitForFinished(timeoutMs) && process.exitCode() == 0;
    };
    run(QStringLiteral("wineboot"), {QStringLiteral("-i")}, 120000);
    QProcess server; // kept running, as a user's Wine would be
    server.setProcessEnvironment(environment);
    server.start(QStringLiteral("wineserver"), {QStringLiteral("-p")});
    server.waitForFinished(5000);
    // One start of each first: the file cache holds both programs, as it would at a second start.
    startupUnderWine(minimal, QStringLiteral("minimal Qt window"), environment, 1);
    startupUnderWine(program, QStringLiteral("ZEQ4810PC-RS485"), environment, 1);
    const double programMs = startupUnderWine(program, QStringLiteral("ZEQ4810PC-RS485"), environment, runs);
    const double minimalMs = startupUnderWine(minimal, QStringLiteral("minimal Qt window"), environment, runs);
    run(QStringLiteral("wineserver"), {QStringLiteral("-k")}, 10000);
    const qint64 bytes = QFileInfo(program).size();
    addRow(QStringLiteral("size of zeq4810pc.exe, one static file"), QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 1),
           QStringLiteral("one file, Windows DLLs only"), QStringLiteral("-"), 1, bytes > 0);
    const double ratio = programMs / minimalMs;
    addRow(QStringLiteral("start-up under Wine to the main window on screen (Xvfb, Wine server running), median"),
           QStringLiteral("%1 ms against %2 ms for a minimal static Qt window (%3x)").arg(programMs, 0, 'f', 0).arg(minimalMs, 0, 'f', 0).arg(ratio, 0, 'f', 2),
           QStringLiteral("<= 1.5x the minimal window"), QStringLiteral("minimal static Qt Widgets window"), 1.5 / ratio,
           programMs > 0 && minimalMs > 0 && ratio <= 1.5);
}
