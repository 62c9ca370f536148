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
    void setRThreshold(int) override {}
    void setInputLen(int) override {}
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
    std::optional<char> input() override { return std::nullopt; }
    CommResult setOutput(const QByteArray& bytes) override
    {
        written += bytes;
        return std::nullopt;
    }
    int commEvent() const override { return 0; }

    int number = 0;
    bool open = false;
    bool failClose = false;
    QByteArray written;
    std::function<void(bool)> onSetPortOpen;
};
