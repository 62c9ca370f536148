#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Caps how often a window repaints. A node can complete 164 frames a second, each in an
// event loop turn of its own, and each would repaint the changed fields; nobody reads
// that fast, so the window repaints at most ten times a second. A repaint that comes soon after the last one is put off until the interval
// has passed, and every change made meanwhile is painted then, together. A change after a
// quiet spell paints at once, so typing and a frame a second show without delay.
class PaintRateLimiter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kMinimumInterval{100};

    explicit PaintRateLimiter(QWidget* window);

    int deferredRepaints() const { return m_deferred; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QElapsedTimer m_sinceLastPaint;
    QTimer m_pending;
    bool m_releasing = false;
    int m_deferred = 0;
};
