// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>

namespace {

// Times each accepted frame from the moment it is accepted (its last character was read
// in the same turn of the event loop) to the end of the first repaint of the window after
// it, the backing store flushed to the window system: the moment its values, or newer
// ones, are on the screen.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(Form1& form) : m_form(form)
    {
        m_clock.start();
        QObject::connect(&form.session(), &LineSession::sendWindowOpened, this, [this] {
            const quint64 accepted = m_form.reception().framesAccepted;
            if (accepted != m_accepted)
                m_waiting.push_back(m_clock.nsecsElapsed());
            m_accepted = accepted;
        });
        m_accepted = form.reception().framesAccepted;
        form.installEventFilter(this);
        for (QLabel* label : form.findChildren<QLabel*>())
            label->installEventFilter(this);
    }
    void reset()
    {
        m_waiting.clear();
        latenciesMs.clear();
        paints = 0;
    }
    std::vector<double> latenciesMs;
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            m_painted = true;
            return false;
        }
        if (watched != &m_form || event->type() != QEvent::UpdateRequest || m_inside)
            return false;
        // Deliver the request now, through the window's own handling (the repaint cap
        // included), to see when it is done.
        m_inside = true;
        m_painted = false;
        QCoreApplication::sendEvent(&m_form, event);
        m_inside = false;
        if (m_painted) {
            const qint64 now = m_clock.nsecsElapsed();
            for (const qint64 accepted : m_waiting)
                latenciesMs.push_back((now - accepted) / 1e6);
            m_waiting.clear();
            ++paints;
        }
        return true;
    }

private:
    Form1& m_form;
    QElapsedTimer m_clock;
    std::vector<qint64> m_waiting;
    quint64 m_accepted = 0;
    bool m_inside = false;
    bool m_painted = false;
};

} // namespace

void measurePaintLatency(Program& program, bool quick)
{
    PaintWatch watch(*program.form);
    const QList<QByteArray> frames = makeFrames(997);
    runUntil([] { return false; }, 300);

    watch.reset();
    sendAtRate(program.pty, frames, quick ? 20 : 60, 1000.0 / 150.0);
    const double lone = percentile(watch.latenciesMs, 0.5);
    addRow(QStringLiteral("frame's last character read -> its values painted, lone frame, median (%1)").arg(g_display),
           QStringLiteral("%1 ms over %2 frames").arg(lone, 0, 'f', 3).arg(watch.latenciesMs.size()),
           QStringLiteral("<= 1 ms"), QStringLiteral("16.7 ms refresh of a 60 Hz screen"), 16.7 / lone, lone <= 1.0);

    for (const double rate : {10.0, kLineFramesPerSecond}) {
        const double seconds = quick ? 3 : 10;
        const int count = static_cast<int>(seconds * rate);
        watch.reset();
        QElapsedTimer wall;
        wall.start();
        sendAtRate(program.pty, frames, count, rate);
        const double p99 = percentile(watch.latenciesMs, 0.99);
        const double paintsPerSecond = watch.paints / (wall.nsecsElapsed() / 1e9);
        addRow(QStringLiteral("the same while frames stream at %1/s, 99th percentile").arg(rate, 0, 'f', 1),
               QStringLiteral("%1 ms (median %2 ms) over %3 frames").arg(p99, 0, 'f', 2).arg(percentile(watch.latenciesMs, 0.5), 0, 'f', 2).arg(watch.latenciesMs.size()),
               QStringLiteral("<= 20 ms"), QStringLiteral("16.7 ms refresh of a 60 Hz screen"), 16.7 / p99,
               p99 <= 20.0 && static_cast<int>(watch.latenciesMs.size()) == count);
        if (rate > 100) {
            addRow(QStringLiteral("frames painted per second while frames stream at 164.6/s"),
                   QStringLiteral("%1 paints/s for %2 frames/s").arg(paintsPerSecond, 0, 'f', 1).arg(count / seconds, 0, 'f', 1),
                   QStringLiteral(">= 50 paints/s"), QStringLiteral("60 Hz screen"), paintsPerSecond / 60.0, paintsPerSecond >= 50);
        }
    }
}
