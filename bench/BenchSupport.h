// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmark's figures share: frames to send, the main window on a pseudo-terminal,
// timing and memory readings, and the table's rows.

#include "ui/Form1.h"

#include "support/PseudoTerminal.h"

#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

using SteadyClock = std::chrono::steady_clock;
inline constexpr double kLineFramesPerSecond = 11520.0 / 70.0;
inline constexpr int kFrameLength = 70;

// Distinct 70-character frames, so the display really changes from frame to frame; the
// node number changes too unless `oneNode`.
QList<QByteArray> makeFrames(int count, bool oneNode = false);
double threadCpuSeconds();
// CPU time of all threads of process `pid`, from the scheduler's nanosecond counters.
double processCpuSeconds(qint64 pid);
// A "Vm..." figure of /proc/PID/status in kB; PID "self" for this process.
qint64 statusKb(const char* key, const QString& pid = QStringLiteral("self"));
// Runs the event loop until done() holds or the time is up. The loop sleeps between
// events; the condition is looked at every 10 ms.
bool runUntil(const std::function<bool()>& done, int timeoutMs);
// Writes frameCount frames to the line as fast as it takes them, in chunks, so the
// writer holds no large buffer of its own.
void writeFrames(PseudoTerminal& pty, const QList<QByteArray>& frames, int frameCount);
// Writes frameCount frames at framesPerSecond from a thread of its own, as a node would,
// while the window runs its event loop.
void sendAtRate(PseudoTerminal& pty, const QList<QByteArray>& frames, int frameCount, double framesPerSecond);
double percentile(std::vector<double> values, double q);
QString loadAverage();

// The real main window on a pseudo-terminal, connected.
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

// One row of the table.
struct Row {
    QString figure;
    QString measured;
    QString goal;
    QString anchor;
    QString ratio;
    bool met;
};
extern QList<Row> g_rows;
// "X server" or "offscreen": where the windows of the figures a user sees were drawn.
extern QString g_display;
void addRow(const QString& figure, const QString& measured, const QString& goal, const QString& anchor, double ratio, bool met);

// The figures, one group a file.
double measureLogic(char* program);
void measureThroughput(Program& program, int frameCount);
void measureSendLatency(Program& program, int rounds);
void measureWaitingCpu(Program& program, double seconds);
void measureMemory(Program& program, qint64 noiseBytes, int frameCount);
void measureStartup(int runs);
void measurePaintLatency(Program& program, bool quick);
// The real program as its own process, with and without the trend window, `rounds` runs
// of each.
void measureProgramProcess(double windowSeconds, double totalSeconds, int rounds);
void measureLogger(double seconds);
// `lineCount` loggers on as many lines at full rate, one broker: CPU per line against one
// line alone, and frames lost.
void measureLoggerFleet(double seconds, int lineCount);
void measureTrend(int runs);
// The Windows program under Wine, when it has been built: its size and start-up.
void measureWindows(int runs);
