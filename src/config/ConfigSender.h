// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandConfirmation.h"
#include "ConfigCommand.h"
#include "SendQueue.h"

#include "serial/CommControl.h"

#include <QObject>

#include <functional>

// Builds configuration commands at the press of "Send" and sends them in the window that
// opens after each completed status frame. It lives as long as the program, so closing
// the configuration window neither cancels a waiting command nor resets the sequence.
class ConfigSender : public QObject {
    Q_OBJECT
public:
    using WindowOpen = std::function<bool()>;

    ConfigSender(CommControl& comm, WindowOpen sendWindowOpen, QObject* parent = nullptr);

    // Takes the next sequence number, queues the command and sends at once when the send
    // window is open. Returns the command as built.
    QByteArray submit(const ConfigInputs& inputs);

    // Sends everything waiting, in press order; called when the send window opens.
    void flush();

    // Writes a text to the line one character at a time while the port is open. Returns
    // why a character did not reach the line, for the first that did not; none when all did.
    CommResult SendText(const QByteArray& text);

    // Removes every waiting command; their sequence numbers stay used.
    void cancel();
    // An accepted status frame, for the check of what the last command set.
    void frameAccepted(const QStringList& fields);
    const CommandConfirmation& confirmation() const { return m_confirmation; }
    // The status line of the last command, as the configuration window shows it.
    QString statusText() const;

    qsizetype pending() const { return m_queue.size(); }
    std::uint8_t txSequence() const { return m_sequence.txSequence; }

Q_SIGNALS:
    // One or more commands have gone out (or were skipped on a closed port).
    void commandsSent();
    // The status line has changed.
    void statusChanged();

private:
    CommControl& m_comm;
    WindowOpen m_sendWindowOpen;
    SendQueue m_queue;
    TxSequence m_sequence;
    // What each waiting command set, in the queue's order.
    QList<std::pair<std::uint8_t, ConfigInputs>> m_waiting;
    CommandConfirmation m_confirmation;
};
