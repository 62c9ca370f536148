// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommControl.h"
#include "PortDiscovery.h"

#include <QObject>
#include <QString>

#include <chrono>

class QTimer;

inline constexpr std::chrono::milliseconds kWatchdogPeriod{1000};

// Where the link stands: no port opened yet, a port open, or the port gone from the system.
enum class LinkState { Idle, Connected, Lost };

// Opens the port named in the port box, shows the state of the link and watches the port
// with the watchdog timer. The link state is the control's: open or not, and its number.
class ConnectionLifecycle : public QObject {
    Q_OBJECT
public:
    ConnectionLifecycle(CommControl& comm, PortDiscovery& discovery, QTimer& watchdog,
                        QObject* parent = nullptr);

    // The "Connect" action. A failure of its own steps ends it and comes back for the
    // user to see; failures inside SetCOM are skipped silently.
    CommResult connectAction(const QString& boxText);
    void SetCOM(const QString& boxText);
    void OpenCOM(const QString& boxText);
    void watchdogTick();

    LinkState state() const { return m_state; }
    // The last failed open in words; empty while the port is open.
    const QString& lastOpenFailure() const { return m_lastOpenFailure; }

Q_SIGNALS:
    // The link reached a state; for a port opened, its number as the box gives it ("07").
    void linkChanged(LinkState state, const QString& portNumber);
    void lastOpenFailureChanged(const QString& failure);

private:
    void noteOpenResult(const CommResult& result);
    void showOpenFailure(const QString& failure);
    void enter(LinkState state, const QString& portNumber);

    CommControl& m_comm;
    PortDiscovery& m_discovery;
    QTimer& m_watchdog;
    QString m_lastOpenFailure;
    LinkState m_state = LinkState::Idle;
};
