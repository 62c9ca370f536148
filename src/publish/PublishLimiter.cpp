// SPDX-License-Identifier: GPL-3.0-or-later
#include "PublishLimiter.h"

PublishLimiter::PublishLimiter(std::chrono::milliseconds period, Sink sink, QObject* parent)
    : QObject(parent), m_period(period), m_sink(std::move(sink))
{
}

PublishLimiter::~PublishLimiter() = default;

void PublishLimiter::offer(const QString& key)
{
    std::shared_ptr<Slot>& entry = m_slots[key];
    if (!entry) {
        entry = std::make_shared<Slot>();
        entry->timer.setSingleShot(true);
        // A coarse timer may fire up to 5 % early, which would break the limit.
        entry->timer.setTimerType(Qt::PreciseTimer);
        Slot* slot = entry.get();
        connect(&slot->timer, &QTimer::timeout, this, [this, key, slot] {
            send(key, *slot);
        });
    }
    Slot& slot = *entry;
    if (slot.timer.isActive())
        return;
    const auto elapsed = std::chrono::milliseconds(slot.sinceLast.isValid() ? slot.sinceLast.elapsed() : m_period.count());
    if (elapsed >= m_period) {
        send(key, slot);
        return;
    }
    slot.timer.start(m_period - elapsed);
}

void PublishLimiter::flush()
{
    for (auto it = m_slots.begin(); it != m_slots.end(); ++it) {
        Slot& slot = **it;
        if (slot.timer.isActive()) {
            slot.timer.stop();
            send(it.key(), slot);
        }
    }
}

void PublishLimiter::send(const QString& key, Slot& slot)
{
    slot.sinceLast.start();
    m_sink(key);
}
