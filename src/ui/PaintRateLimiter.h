// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Caps how often a window repaints to about once per refresh of a 60 Hz display. A node
// can complete 164 frames a second, each in an event loop turn of its own, and each would
// repaint the changed fields; a screen shows at most one of them per refresh. A repaint
// that comes sooner than that after the last one is put off until the interval has
// passed, and every change made meanwhile is painted then, together: the newest values
// reach the screen within one refresh. A change after a quiet spell paints at once.
// While changes stream in, the held paint goes out with the first change after the
// interval, in the wake-up that change brought; the timer, set a little later, only
// catches the last change of a stream, so the stream costs no wake-ups of its own.
class PaintRateLimiter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kMinimumInterval{16};
    // How long past the interval the timer waits for a change to carry the paint.
    static constexpr std::chrono::milliseconds kCarryWait{6};

    explicit PaintRateLimiter(QWidget* window);

    // A change was made: a held paint goes out now if the interval has passed.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QElapsedTimer m_sinceLastPaint;
    void release();
    // Since the last paint; the whole interval before the first.
    std::chrono::milliseconds sinceLastPaint() const;

    QTimer m_pending;
    bool m_releasing = false;
};
