// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Milliseconds from starting `exe` under Wine until its window titled `title` is mapped on
// screen, or -1 when it never is; the Wine server stays up between starts. The moment is
// the X server's map event, as xev reports it on the root window, not a poll.
double startupUnderWine(const QString& exe, const QString& title, const QProcessEnvironment& environment)
{
    QProcess maps;
    maps.start(QStringLiteral("xev"), {QStringLiteral("-root"), QStringLiteral("-event"), QStringLiteral("substructure")});
    if (!maps.waitForStarted(5000))
        return -1;
    maps.waitForReadyRead(300); // xev says what it watches before the first event
    maps.readAll();
    QProcess program;
    program.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral("wine"), {exe});
    double shownMs = -1;
    QByteArray pending;
    bool mapped = false;
    while (shownMs < 0 && timer.elapsed() < 30000 && maps.waitForReadyRead(1000)) {
        const double at = timer.nsecsElapsed() / 1e6;
        pending += maps.readAll();
        // "MapNotify event, ...," then on the next line "event 0x..., window 0x..., override NO".
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("MapNotify"))
                mapped = true;
            const qsizetype window = line.indexOf(" window 0x");
            if (!mapped || !line.trimmed().startsWith("event ") || window < 0)
                continue;
            mapped = false;
            QProcess name;
            name.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::fromLatin1(line.mid(window + 8).split(',').first())});
            if (name.waitForFinished(2000) && name.readAllStandardOutput().trimmed() == title.toUtf8()) {
                shownMs = at;
                break;
            }
        }
    }
    program.kill();
    program.waitForFinished(5000);
    maps.kill();
    maps.waitForFinished(2000);
    return shownMs;
}

} // namespace

void measureWindows(int runs)
{
    const QString build = QStringLiteral(WINDOWS_BUILD_DIR);
    const QString program = build + QStringLiteral("/src/zeq4810pc.exe");
    const QString minimal = build + QStringLiteral("/bench/windows/minimal_window.exe");
    if (!QFileInfo::exists(program) || !QFileInfo::exists(minimal) || QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xev")).isEmpty()) {
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
    // One start of each first: the file cache holds both programs, as it would at a second
    // start. Then the two take turns, so that a slow minute of the machine falls on both.
    startupUnderWine(minimal, QStringLiteral("minimal Qt window"), environment);
    startupUnderWine(program, QStringLiteral("ZEQ4810PC-RS485"), environment);
    std::vector<double> programMs;
    std::vector<double> minimalMs;
    bool allShown = true;
    for (int i = 0; i < runs; ++i) {
        programMs.push_back(startupUnderWine(program, QStringLiteral("ZEQ4810PC-RS485"), environment));
        minimalMs.push_back(startupUnderWine(minimal, QStringLiteral("minimal Qt window"), environment));
        allShown = allShown && programMs.back() >= 0 && minimalMs.back() >= 0;
    }
    run(QStringLiteral("wineserver"), {QStringLiteral("-k")}, 10000);
    const qint64 bytes = QFileInfo(program).size();
    addRow(QStringLiteral("size of zeq4810pc.exe, one static file"), QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 1),
           QStringLiteral("one file, Windows DLLs only"), QStringLiteral("-"), 1, bytes > 0);
    // A start that never showed its window leaves no figure.
    const auto at = [allShown](const std::vector<double>& ms, double q) { return allShown ? percentile(ms, q) : -1.0; };
    const double ratio = at(programMs, 0.5) / at(minimalMs, 0.5);
    addRow(QStringLiteral("start-up under Wine to the main window mapped (Xvfb, Wine server running; the map event), median of %1, taking turns with the minimal window").arg(runs),
           QStringLiteral("%1 ms (%2 to %3) against %4 ms (%5 to %6) for a minimal static Qt window (%7x)")
               .arg(at(programMs, 0.5), 0, 'f', 0)
               .arg(at(programMs, 0), 0, 'f', 0)
               .arg(at(programMs, 1), 0, 'f', 0)
               .arg(at(minimalMs, 0.5), 0, 'f', 0)
               .arg(at(minimalMs, 0), 0, 'f', 0)
               .arg(at(minimalMs, 1), 0, 'f', 0)
               .arg(ratio, 0, 'f', 2),
           QStringLiteral("<= 1.5x the minimal window"), QStringLiteral("minimal static Qt Widgets window"), 1.5 / ratio,
           allShown && ratio <= 1.5);
}
