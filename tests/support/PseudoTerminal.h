// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pseudo-terminal pair for tests: the test plays the node on the master side, the
// program opens the slave through a link path, as it would a mapped serial port.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "platform/TerminalPair.h"

#include <cerrno>

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        if (!m_pair.isOpen())
            return;
        m_linkPath = m_dir.path() + QStringLiteral("/node");
        QFile::link(m_pair.slavePath(), m_linkPath);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return m_pair.isOpen(); }
    // The path the program is given: a link to the slave.
    const QString& path() const { return m_linkPath; }
    const QString& slavePath() const { return m_pair.slavePath(); }

    // Writes all bytes to the line, waiting while the pseudo-terminal's buffer is full.
    bool write(const QByteArray& bytes) { return m_pair.writeAll(bytes); }
    // Writes what the line takes now; the count written, or -1 on an error.
    qint64 writeSome(const QByteArray& bytes) { return m_pair.writeSome(bytes); }
    // Waits at most `milliseconds` for the program to write something.
    bool waitForOutput(int milliseconds) { return m_pair.waitReadable(milliseconds); }
    // What the program has written so far, without waiting.
    QByteArray readAvailable() { return m_pair.readAvailable(); }
    // The device goes away, and its name with it, as an unplugged adapter's does: a later
    // pseudo-terminal that reuses the number, in this process or another, is not it.
    void closeMaster()
    {
        m_pair.close();
        QFile::remove(m_linkPath);
    }

private:
    QTemporaryDir m_dir;
    TerminalPair m_pair;
    QString m_linkPath;
};
