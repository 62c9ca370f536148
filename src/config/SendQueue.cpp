// SPDX-License-Identifier: GPL-3.0-or-later
#include "SendQueue.h"

qsizetype SendQueue::flush(const std::function<void(const QByteArray&)>& send)
{
    // Taken out first, so a command queued while sending waits for the next window.
    const QList<QByteArray> sending = std::exchange(m_pending, {});
    for (const QByteArray& command : sending)
        send(command);
    return sending.size();
}
