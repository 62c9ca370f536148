// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial control for the cases a pseudo-terminal cannot produce: a close that fails,
// and a record of the order of operations.

#include "serial/CommControl.h"

#include <QStringList>

#include <functional>

class FakeCommControl : public CommControl {
public:
    void setCommPort(int portNumber) override { number = portNumber; }
    int commPort() const override { return number; }
    CommResult setSettings(const QString&) override { return std::nullopt; }
    bool portOpen() const override { return open; }
    CommResult setPortOpen(bool wanted) override
    {
        if (onSetPortOpen)
            onSetPortOpen(wanted);
        if (!wanted && failClose)
            return CommFailure{8010, QStringLiteral("The device does not answer")};
        if (wanted && open)
            return CommFailure{CommError::AlreadyOpen, QStringLiteral("Port already open")};
        open = wanted;
        return std::nullopt;
    }
    CommResult setOutput(const QByteArray& bytes) override
    {
        if (!writeFailure.isEmpty())
            return CommFailure{8010, writeFailure};
        written += bytes;
        return std::nullopt;
    }

    int number = 0;
    bool open = false;
    bool failClose = false;
    // When set, every write fails with this reason.
    QString writeFailure;
    QByteArray written;
    std::function<void(bool)> onSetPortOpen;
};
