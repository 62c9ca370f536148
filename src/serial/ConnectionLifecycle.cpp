// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConnectionLifecycle.h"

#include "ComName.h"

#include <QTimer>

ConnectionLifecycle::ConnectionLifecycle(CommControl& comm, PortDiscovery& discovery,
                                         QTimer& watchdog, QObject* parent)
    : QObject(parent), m_comm(comm), m_discovery(discovery), m_watchdog(watchdog)
{
    m_watchdog.setInterval(kWatchdogPeriod);
    connect(&m_watchdog, &QTimer::timeout, this, &ConnectionLifecycle::watchdogTick);
    // A device that fails while open is closed by the control; the tooltip says why.
    connect(&m_comm, &CommControl::deviceLost, this, [this](const QString& reason) {
        showOpenFailure(QStringLiteral("The device failed: %1").arg(reason));
    });
}

CommResult ConnectionLifecycle::connectAction(const QString& boxText)
{
    if (m_comm.portOpen()) {
        if (CommResult failure = m_comm.setPortOpen(false))
            return failure;
    }
    SetCOM(boxText);
    m_watchdog.start();
    return std::nullopt;
}

void ConnectionLifecycle::SetCOM(const QString& boxText)
{
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
    m_comm.setSettings(QString::fromLatin1(kLineSettings));
    OpenCOM(boxText);
}

void ConnectionLifecycle::OpenCOM(const QString& boxText)
{
    const QString numberText = portNumberText(boxText);
    m_comm.setCommPort(leadingNumberValue(numberText));
    if (!m_comm.portOpen())
        noteOpenResult(m_comm.setPortOpen(true));
    if (m_comm.portOpen())
        enter(LinkState::Connected, numberText);
}

void ConnectionLifecycle::watchdogTick()
{
    m_discovery.EnumSerialPorts();
    const CommResult result = m_comm.setPortOpen(true);
    if (!result || result->code != CommError::AlreadyOpen)
        noteOpenResult(result);
    if (result && result->code == CommError::NoSuchPort) {
        enter(LinkState::Lost, QString());
        m_watchdog.stop();
    }
}

void ConnectionLifecycle::noteOpenResult(const CommResult& result)
{
    showOpenFailure(m_comm.portOpen() || !result ? QString() : result->description);
}

void ConnectionLifecycle::showOpenFailure(const QString& failure)
{
    if (failure == m_lastOpenFailure)
        return;
    m_lastOpenFailure = failure;
    Q_EMIT lastOpenFailureChanged(failure);
}

void ConnectionLifecycle::enter(LinkState state, const QString& portNumber)
{
    m_state = state;
    Q_EMIT linkChanged(state, portNumber);
}
