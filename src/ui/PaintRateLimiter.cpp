// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaintRateLimiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

PaintRateLimiter::PaintRateLimiter(QWidget* window) : QObject(window), m_window(window)
{
    m_pending.setSingleShot(true);
    m_pending.setTimerType(Qt::PreciseTimer);
    connect(&m_pending, &QTimer::timeout, this, &PaintRateLimiter::release);
    window->installEventFilter(this);
}

void PaintRateLimiter::release()
{
    m_releasing = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_releasing = false;
}

std::chrono::milliseconds PaintRateLimiter::sinceLastPaint() const
{
    return std::chrono::milliseconds(m_sinceLastPaint.isValid() ? m_sinceLastPaint.elapsed() : kMinimumInterval.count());
}

void PaintRateLimiter::changed()
{
    // Posted, so the paint follows whatever else this wake-up brought.
    if (m_pending.isActive() && sinceLastPaint() >= kMinimumInterval) {
        m_pending.stop();
        QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest));
    }
}

bool PaintRateLimiter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    const std::chrono::milliseconds sinceLastPaint = this->sinceLastPaint();
    if (m_releasing || sinceLastPaint >= kMinimumInterval) {
        m_pending.stop();
        m_sinceLastPaint.start();
        return false;
    }
    // The window's repaint manager sends no further request until this one is handled,
    // so holding it back collects every change until the timer lets it through.
    if (!m_pending.isActive())
        m_pending.start(std::max(kMinimumInterval - sinceLastPaint, std::chrono::milliseconds(1)) + kCarryWait);
    return true;
}
