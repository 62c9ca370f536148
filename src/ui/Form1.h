// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/PortDiscovery.h"
#include "session/LineSession.h"
#include "trend/TrendBuffer.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

namespace Ui {
class Form1;
}
class ConnectionLifecycle;
enum class LinkState;
class FrmAbout;
class FrmSet;
class TrendWindow;
class LampWidget;
class PaintRateLimiter;
class QLabel;
class QTimer;

// The main window: the live display of the node, the port box and "Connect", the logger
// controls, and the way to the configuration and About windows. It binds its controls to
// the line session, which holds the reception, the records and the send path.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // Without a control of its own the window opens the line through a SerialControl.
    explicit Form1(PortTable& ports, std::unique_ptr<CommControl> comm = {}, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up steps before the window is first shown.
    void startUp();

    // Routines of the window, by their own names.
    void ShowStatus();
    void ClearStatus();
    void SetCOM();
    void OpenCOM();
    void EnumSerialPorts();
    void FillPortList();
    void SetLogInterval();
    void WriteLogLine();

    LineSession& session() { return *m_session; }
    std::uint8_t flagRxByte() const { return m_session->flagRxByte(); }
    const FrameAssembler& reception() const { return m_session->reception(); }
    CommControl& comm() { return m_session->comm(); }
    ConfigSender& configSender() { return m_session->sender(); }
    FrmSet* configWindow() const;
    FrmAbout* aboutWindow() const;
    TrendWindow* trendWindow() const;
    // Link quality for the link text's tooltip: the last open failure, frames, characters
    // and the age of the last frame.
    QString linkToolTip() const;
    // Every accepted frame since start, for the trend.
    const TrendBuffer& trend() const { return m_trend; }
    void setClock(const Clock* clock) { m_session->setClock(clock); }
    void setLogFilePath(const QString& path) { m_session->setLogPath(path); }

public Q_SLOTS:
    void connectClicked();
    void showSetForm();
    void showAbout();
    void showTrend();
    void exitClicked(); // "Exit"
    void menuExit();    // File > Exit

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void bindControls();
    void describeControls();
    void frameAccepted();
    void showLink(LinkState state, const QString& portNumber);
    void showLogHealth();
    // A passing word beside a control, without the user having to look for it.
    void sayAt(QWidget* control, const QString& text);
    void closeAllWindows();

    std::unique_ptr<Ui::Form1> m_ui;
    LineSession* m_session;
    PortDiscovery m_discovery;
    QTimer* m_timer1;
    QTimer* m_timer4;
    ConnectionLifecycle* m_link;
    PaintRateLimiter* m_paintLimiter = nullptr;
    QPointer<FrmSet> m_frmSet;
    QPointer<FrmAbout> m_frmAbout;
    QPointer<TrendWindow> m_trendWindow;
    TrendBuffer m_trend;

    std::array<QLabel*, FrameField::Count> m_textFieldForIndex{};
    std::array<LampWidget*, FrameField::Count> m_lampForIndex{};
    bool m_exiting = false;
};
