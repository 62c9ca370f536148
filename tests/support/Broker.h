// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A Mosquitto broker of the caller's own on 127.0.0.1 at a free port, and a subscriber to
// it, for the tests and the benchmarks.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "platform/TestProcess.h"

#include <utility>

// Publishes one message to the broker at `port`, as another client of it would.
inline bool publishTo(int port, const QString& topic, const QString& payload, bool retain = false)
{
    QStringList arguments{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                          QStringLiteral("-t"), topic, QStringLiteral("-m"), payload};
    if (retain)
        arguments.append(QStringLiteral("-r"));
    return QProcess::execute(QStringLiteral("mosquitto_pub"), arguments) == 0;
}

// A broker started with its own configuration, stopped when it goes out of scope.
struct Broker {
    QTemporaryDir dir;
    int port = freeLoopbackPort();
    QProcess process;

    bool start()
    {
        QFile config(dir.filePath(QStringLiteral("mosquitto.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n").arg(port).toLatin1());
        config.close();
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config.fileName()});
        return process.waitForStarted() && QTest::qWaitFor([this] { return received(QStringLiteral("$SYS/broker/version"), 1, 300).size() == 1; }, 5000);
    }
    void stop()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    ~Broker() { stop(); }

    bool publish(const QString& topic, const QString& payload, bool retain = false) const { return publishTo(port, topic, payload, retain); }
    // The first `count` messages on `topic` as "topic payload" lines, retained ones included.
    QStringList received(const QString& topic, int count, int timeoutMs = 5000) const
    {
        QProcess sub;
        sub.start(QStringLiteral("mosquitto_sub"),
                  {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port), QStringLiteral("-t"), topic,
                   QStringLiteral("-v"), QStringLiteral("-C"), QString::number(count), QStringLiteral("-W"),
                   QString::number(std::max(1, timeoutMs / 1000))});
        // The event loop runs meanwhile, so the caller's timers (a node sending) go on.
        (void)QTest::qWaitFor([&sub] { return sub.state() == QProcess::NotRunning; }, timeoutMs + 2000);
        return QString::fromUtf8(sub.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
};

// A subscriber of the caller's own that prints new messages only (no retained ones from
// before), "topic payload" a line.
class Listener {
public:
    ~Listener() { stop(); }
    // Subscribes to `topic` for `seconds` and returns once the subscription stands: a
    // message of its own, on a topic of its own, has come back. A subscriber only started
    // may miss what is published in its first hundreds of milliseconds on a busy machine.
    bool start(int port, const QString& topic, int seconds)
    {
        const QString probe = QStringLiteral("zeq-test-probe/%1").arg(QCoreApplication::applicationPid());
        QStringList arguments{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port), QStringLiteral("-t"), topic,
                              QStringLiteral("-v"), QStringLiteral("-R"), QStringLiteral("-W"), QString::number(seconds)};
        if (topic != u'#') // "#" takes the probe already; a second subscription would hear it twice
            arguments << QStringLiteral("-t") << probe;
        m_process.start(QStringLiteral("mosquitto_sub"), arguments);
        if (!m_process.waitForStarted())
            return false;
        for (int attempt = 0; attempt < 40; ++attempt) {
            const QByteArray mark = (probe + u' ' + QString::number(attempt) + u'\n').toUtf8();
            if (!publishTo(port, probe, QString::number(attempt)))
                return false;
            // One subscriber hears one publisher's messages in order: once the last probe
            // is heard, no earlier one can follow it.
            if (QTest::qWaitFor([&] { m_heard += m_process.readAllStandardOutput(); return m_heard.contains(mark); }, 250)) {
                // What came with the probes was published once the subscription stood.
                const qsizetype lineEnd = m_heard.lastIndexOf('\n') + 1;
                QByteArray kept;
                for (const QByteArray& line : m_heard.left(lineEnd).split('\n'))
                    if (!line.isEmpty() && !line.startsWith(probe.toUtf8() + ' '))
                        kept += line + '\n';
                m_heard = kept + m_heard.mid(lineEnd);
                return true;
            }
        }
        return false;
    }
    // What it printed since it was subscribed that was not taken yet.
    QByteArray take() { return std::exchange(m_heard, {}) + m_process.readAllStandardOutput(); }
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    bool waitForFinished(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

private:
    QProcess m_process;
    QByteArray m_heard;
};
