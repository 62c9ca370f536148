// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationSignal.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

TerminationSignal::TerminationSignal(bool alsoHangUp, QObject* parent) : QObject(parent), m_alsoHangUp(alsoHangUp)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    if (alsoHangUp)
        sigaction(SIGHUP, &action, nullptr);
    // A peer that closes its end must not end the program through a write.
    std::signal(SIGPIPE, SIG_IGN);
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1)
            Q_EMIT received(byte);
    });
}

TerminationSignal::~TerminationSignal()
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    if (m_alsoHangUp)
        std::signal(SIGHUP, SIG_DFL);
}

bool TerminationSignal::isHangUp(int signalNumber) { return signalNumber == SIGHUP; }
