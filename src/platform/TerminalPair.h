// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal in raw mode: the master side for whoever plays the device (the node
// simulator, the tests), the slave side's path for the program that opens it as a
// serial port. The master never blocks.
class TerminalPair {
public:
    // With `holdSlave` the slave side stays open here too, so the master does not hang up
    // while no program has the slave open.
    explicit TerminalPair(bool holdSlave = false);
    ~TerminalPair();
    TerminalPair(const TerminalPair&) = delete;
    TerminalPair& operator=(const TerminalPair&) = delete;

    bool isOpen() const { return m_master >= 0; }
    // Why the pair could not be made, when it could not.
    const QString& error() const { return m_error; }
    const QString& slavePath() const { return m_slavePath; }
    // The master's handle, for a socket notifier.
    qintptr masterHandle() const { return m_master; }

    // Writes what the master takes now; the count written, or -1 on an error.
    qint64 writeSome(const QByteArray& bytes);
    // Writes all bytes, waiting while the terminal's buffer is full; false on an error.
    bool writeAll(const QByteArray& bytes);
    // Waits at most `milliseconds` for the other side to write something.
    bool waitReadable(int milliseconds);
    // What the other side has written so far, without waiting.
    QByteArray readAvailable();
    // Closes both sides; the slave's program sees a hang-up.
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};
