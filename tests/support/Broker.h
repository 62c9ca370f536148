// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A Mosquitto broker of the caller's own on 127.0.0.1 at a free port, and a subscriber to
// it, for the tests and the benchmarks.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "platform/TestProcess.h"

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

    // Publishes one message, as another client of the broker would.
    bool publish(const QString& topic, const QString& payload, bool retain = false) const
    {
        QStringList arguments{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                              QStringLiteral("-t"), topic, QStringLiteral("-m"), payload};
        if (retain)
            arguments.append(QStringLiteral("-r"));
        return QProcess::execute(QStringLiteral("mosquitto_pub"), arguments) == 0;
    }
    // A subscriber started now that prints new messages only (no retained ones from before),
    // "topic payload" a line, for `seconds`.
    static void listen(QProcess& sub, int port, const QString& topic, int seconds)
    {
        sub.start(QStringLiteral("mosquitto_sub"), {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                                                    QStringLiteral("-t"), topic, QStringLiteral("-v"), QStringLiteral("-R"), QStringLiteral("-W"),
                                                    QString::number(seconds)});
        sub.waitForStarted();
    }

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

