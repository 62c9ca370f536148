// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

// Lets a key's news out at most once per period: news after a quiet period goes out at
// once, later news waits for the period's end, where all that came meanwhile goes out as
// one. The sink reads the newest state itself, so nothing is built for news that is
// overtaken before it goes out.
class PublishLimiter : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const QString& key)>;

    PublishLimiter(std::chrono::milliseconds period, Sink sink, QObject* parent = nullptr);
    ~PublishLimiter() override;

    void offer(const QString& key);
    // Lets out what waits now, for a clean end.
    void flush();

private:
    struct Slot {
        QElapsedTimer sinceLast;
        QTimer timer;
    };
    void send(const QString& key, Slot& slot);

    std::chrono::milliseconds m_period;
    Sink m_sink;
    QHash<QString, std::shared_ptr<Slot>> m_slots;
};
