#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

// Passes messages on at most once per period for each key, the newest one winning: a
// message after a quiet period goes out at once, later ones wait for the period's end and
// replace each other while they wait, so the last state always goes out.
class PublishLimiter : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const QString& key, const QByteArray& message)>;

    PublishLimiter(std::chrono::milliseconds period, Sink sink, QObject* parent = nullptr);
    ~PublishLimiter() override;

    void offer(const QString& key, const QByteArray& message);
    // Sends what waits now, for a clean end.
    void flush();

private:
    struct Slot {
        QElapsedTimer sinceLast;
        QByteArray waiting;
        QTimer timer;
    };
    void send(const QString& key, Slot& slot, const QByteArray& message);

    std::chrono::milliseconds m_period;
    Sink m_sink;
    QHash<QString, std::shared_ptr<Slot>> m_slots;
};
