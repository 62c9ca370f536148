// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns the requests to end (SIGTERM, SIGINT, and SIGHUP when asked) into a Qt signal on
// the event loop: the handler only writes a byte to a pipe, which a socket notifier reads,
// so the program ends between events. A write to a closed connection is ignored rather
// than ending the program.
class TerminationSignal : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignal(bool alsoHangUp = false, QObject* parent = nullptr);
    ~TerminationSignal() override;

    // Whether a received signal is the hang-up, which a service may take as "go on".
    static bool isHangUp(int signalNumber);

Q_SIGNALS:
    void received(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_alsoHangUp = false;
};
