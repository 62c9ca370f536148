// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommControl.h"
#include "PortDiscovery.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <chrono>

class QTimer;

inline const QColor kConnectIdleColour(0xFF, 0x80, 0x00);
inline const QColor kConnectedColour(0x80, 0xFF, 0xFF);
inline const QColor kLostColour(0xFF, 0x00, 0x00);
inline constexpr std::chrono::milliseconds kWatchdogPeriod{1000};

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

    // The last failed open in words; empty while the port is open.
    const QString& lastOpenFailure() const { return m_lastOpenFailure; }

Q_SIGNALS:
    void linkShown(const QString& text, const QColor& buttonColour);
    void lastOpenFailureChanged(const QString& failure);

private:
    void noteOpenResult(const CommResult& result);
    void showOpenFailure(const QString& failure);

    CommControl& m_comm;
    PortDiscovery& m_discovery;
    QTimer& m_watchdog;
    QString m_lastOpenFailure;
};
