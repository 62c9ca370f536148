#pragma once

#include "logging/Clock.h"
#include "logging/LogFile.h"
#include "serial/CommControl.h"
#include "serial/PortDiscovery.h"
#include "telemetry/FrameAssembler.h"
#include "trend/TrendBuffer.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

namespace Ui {
class Form1;
}
class ConfigSender;
class ConnectionLifecycle;
class FrmAbout;
class FrmSet;
class TrendWindow;
class LampWidget;
class PaintRateLimiter;
class QLabel;
class QTimer;

// The main window: the live display of the node, the port box and "Connect", the logger
// controls, and the way to the configuration and About windows. It holds the reception
// state and the timers; the logic lives in the units it binds.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // Without a control of its own the window opens the line through a SerialControl.
    explicit Form1(PortTable& ports, std::unique_ptr<CommControl> comm = {},
                   QWidget* parent = nullptr);
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

    // 2 from a frame's completion until the send window closes, 0 otherwise.
    std::uint8_t flagRxByte() const { return m_rx.flagRxByte; }
    const FrameAssembler& reception() const { return m_rx; }
    CommControl& comm() { return *m_comm; }
    ConfigSender& configSender() { return *m_sender; }
    FrmSet* configWindow() const;
    FrmAbout* aboutWindow() const;
    TrendWindow* trendWindow() const;
    // Link quality for the link text's tooltip: the last open failure, frames, characters
    // and the age of the last frame.
    QString linkToolTip() const;
    // Every accepted frame since start, for the trend.
    const TrendBuffer& trend() const { return m_trend; }
    void setClock(const Clock* clock) { m_clock = clock ? clock : &m_systemClock; }
    void setLogFilePath(const QString& path) { m_logPath = path; }

public Q_SLOTS:
    // Handlers, callable directly by tests.
    void onComm();
    void connectClicked();
    void silenceTick();   // Timer2
    void sendWindowTick(); // Timer3
    void showSetForm();
    void showAbout();
    void showTrend();
    void exitClicked();    // "Exit"
    void menuExit();       // File > Exit

Q_SIGNALS:
    // flagRxByte has risen to 2.
    void sendWindowOpened();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindControls();
    void showLink(const QString& text, const QColor& colour);
    void showLogHealth();
    void closeAllWindows();

    std::unique_ptr<Ui::Form1> m_ui;
    std::unique_ptr<CommControl> m_comm;
    PortDiscovery m_discovery;
    FrameAssembler m_rx;
    SystemClock m_systemClock;
    const Clock* m_clock = &m_systemClock;
    QString m_logPath = QString::fromLatin1(kLogFileName);
    LogHealth m_logHealth;

    QTimer* m_timer1;
    QTimer* m_timer2;
    QTimer* m_timer3;
    QTimer* m_timer4;
    ConnectionLifecycle* m_link;
    ConfigSender* m_sender;
    PaintRateLimiter* m_paintLimiter = nullptr;
    QPointer<FrmSet> m_frmSet;
    QPointer<FrmAbout> m_frmAbout;
    QPointer<TrendWindow> m_trendWindow;
    TrendBuffer m_trend;
    QElapsedTimer m_lastFrame;
    QTimer* m_linkTipRefresh = nullptr;

    std::array<QLabel*, 16> m_textFieldForIndex{};
    std::array<LampWidget*, 16> m_lampForIndex{};
    bool m_exiting = false;
};
