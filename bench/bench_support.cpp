// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>

// Distinct 70-character frames, so the display really changes from frame to frame; the
// node number changes too unless `oneNode`.
QList<QByteArray> makeFrames(int count, bool oneNode)
{
    QList<QByteArray> frames;
    for (int i = 0; i < count; ++i) {
        QByteArray frame = QStringLiteral("?NODE=%1,%2,%3,20,30,40,80,10,1,128,%4,0,1,0,%5,1,")
                               .arg(oneNode ? 1 : i % 250 + 1)
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

// A "Vm..." figure of /proc/PID/status in kB; PID "self" for this process.
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

qint64 statusKb(const char* key, const QString& pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
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

QList<Row> g_rows;
QString g_display;

void addRow(const QString& figure, const QString& measured, const QString& goal, const QString& anchor, double ratio, bool met)
{
    g_rows.append({figure, measured, goal, anchor, QStringLiteral("%1x").arg(ratio, 0, 'f', ratio < 10 ? 2 : 0), met});
    std::fprintf(stderr, "  %s: %s (%s)\n", qPrintable(figure), qPrintable(measured), met ? "met" : "MISSED");
}

double percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return 1e9;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

// Writes frameCount frames at framesPerSecond from a thread of its own, as a node would,
// while the window runs its event loop.
void sendAtRate(PseudoTerminal& pty, const QList<QByteArray>& frames, int frameCount, double framesPerSecond)
{
    QEventLoop loop;
    std::thread node([&] {
        const auto start = SteadyClock::now();
        const auto period = std::chrono::duration<double>(1.0 / framesPerSecond);
        for (int i = 0; i < frameCount; ++i) {
            std::this_thread::sleep_until(start + std::chrono::duration_cast<SteadyClock::duration>(period * i));
            pty.write(frames[i % frames.size()] + "\r\n");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    node.join();
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' ')) : QStringLiteral("unknown");
}
