// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// Configuration commands waiting for the send window, first in, first out. Nothing here
// polls: the owner calls flush when the window opens, or at once when it is open.
class SendQueue {
public:
    void enqueue(QByteArray command) { m_pending.append(std::move(command)); }
    bool isEmpty() const { return m_pending.isEmpty(); }
    qsizetype size() const { return m_pending.size(); }
    void clear() { m_pending.clear(); }

    // Hands every waiting command to send, in press order; returns how many went.
    qsizetype flush(const std::function<void(const QByteArray&)>& send);

private:
    QList<QByteArray> m_pending;
};
