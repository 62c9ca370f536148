#include "Form1.h"

#include "FrmAbout.h"
#include "FrmSet.h"
#include "LampWidget.h"
#include "PaintRateLimiter.h"
#include "Theme.h"
#include "TrendWindow.h"
#include "WindowPlace.h"
#include "ui_Form1.h"

#include "config/ConfigSender.h"
#include "logging/LogInterval.h"
#include "logging/LogRecord.h"
#include "serial/ComName.h"
#include "serial/ConnectionLifecycle.h"
#include "serial/SerialControl.h"
#include "telemetry/StatusDisplay.h"

#include <QCloseEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>

#include <cstdio>

using namespace std::chrono_literals;

namespace {

constexpr auto kSilenceTickPeriod = 1000ms;
constexpr auto kSendWindowLength = 300ms;
constexpr auto kFailureBalloonTime = 6000ms;
const QColor kLogFailureColour(0xFF, 0x00, 0x00);
// Screen places of the windows' client areas, in pixels (twips / 15).
constexpr QPoint kForm1Place(11, 54);
constexpr QSize kForm1ClientSize(451, 422);
constexpr QRect kFrmSetPlace(501, 64, 382, 322);
constexpr QRect kFrmAboutPlace(140, 240, 310, 130);
constexpr QRect kTrendWindowPlace(250, 100, 760, 560);

QTimer* makeTimer(QObject* parent, const char* name, std::chrono::milliseconds period, bool singleShot)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(period);
    timer->setSingleShot(singleShot);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

// Enabling a timer that already runs leaves its period as it is.
void enable(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

Form1::Form1(PortTable& ports, std::unique_ptr<CommControl> comm, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::Form1>())
    , m_comm(comm ? std::move(comm) : std::make_unique<SerialControl>(ports))
    , m_discovery(ports)
{
    m_ui->setupUi(this);
    applyDesignLook(this);

    m_timer1 = makeTimer(this, "Timer1", kDesignLogInterval, false);
    m_timer2 = makeTimer(this, "Timer2", kSilenceTickPeriod, false);
    m_timer3 = makeTimer(this, "Timer3", kSendWindowLength, true);
    m_timer4 = makeTimer(this, "Timer4", kWatchdogPeriod, false);
    m_timer1->start();

    m_link = new ConnectionLifecycle(*m_comm, m_discovery, *m_timer4, this);
    m_sender = new ConfigSender(*m_comm, [this] { return m_rx.flagRxByte == FrameAssembler::kSendWindowOpen; }, this);
    bindControls();
    m_paintLimiter = new PaintRateLimiter(this);

    // The client area below the menu bar stands at its place; the menu bar sits above it.
    const int menuHeight = menuBar()->sizeHint().height();
    centralWidget()->setFixedSize(kForm1ClientSize);
    setFixedSize(kForm1ClientSize.width(), kForm1ClientSize.height() + menuHeight);
    setGeometry(QRect(kForm1Place - QPoint(0, menuHeight), size()));
    m_ui->Combo1->setFocus();
}

Form1::~Form1()
{
    // The secondary windows have no parent; they go with the program.
    delete m_frmSet.data();
    delete m_frmAbout.data();
    delete m_trendWindow.data();
}

void Form1::bindControls()
{
    for (const StatusTextField& field : kStatusTextFields) {
        QLabel* label = findChild<QLabel*>(QLatin1String(field.control));
        // A fixed size tells Qt that a new text never asks for a new layout, which would
        // otherwise be requested at every frame.
        label->setFixedSize(label->size());
        // Received text is shown as it came, never read as markup.
        label->setTextFormat(Qt::PlainText);
        m_textFieldForIndex[field.frameIndex] = label;
    }
    for (const StatusLamp& lamp : kStatusLamps) {
        auto* widget = findChild<LampWidget*>(QLatin1String(lamp.control));
        widget->setColours(lamp.offFill, systemColour(SystemColour::WindowText));
        m_lampForIndex[lamp.frameIndex] = widget;
    }

    // The box keeps exactly what the user types: no completion from the list.
    m_ui->Combo1->setCompleter(nullptr);
    m_ui->Combo1->lineEdit()->setText(QStringLiteral("COMPORT"));
    setBackground(m_ui->Command1, kLostColour);

    connect(m_comm.get(), &CommControl::OnComm, this, &Form1::onComm);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Form1::connectClicked);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form1::showSetForm);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Form1::exitClicked);
    connect(m_ui->mnExit, &QAction::triggered, this, &Form1::menuExit);
    connect(m_ui->mnAbout, &QAction::triggered, this, &Form1::showAbout);
    connect(m_ui->mnTrend, &QAction::triggered, this, &Form1::showTrend);
    connect(m_ui->Combo1->lineEdit(), &QLineEdit::textEdited, this, &Form1::FillPortList);
    connect(m_ui->Combo1, &PortBox::aboutToShowList, this, &Form1::FillPortList);

    connect(m_timer1, &QTimer::timeout, this, &Form1::WriteLogLine);
    connect(m_timer2, &QTimer::timeout, this, &Form1::silenceTick);
    connect(m_timer3, &QTimer::timeout, this, &Form1::sendWindowTick);

    connect(m_link, &ConnectionLifecycle::linkShown, this, &Form1::showLink);
    connect(m_link, &ConnectionLifecycle::lastOpenFailureChanged, m_ui->Label13, &QLabel::setToolTip);
    connect(this, &Form1::sendWindowOpened, m_sender, &ConfigSender::flush);

    for (QRadioButton* option : {m_ui->Option1, m_ui->Option2, m_ui->Option3, m_ui->Option4})
        connect(option, &QRadioButton::clicked, this, &Form1::SetLogInterval);
    // The option buttons are only as wide as their mark; their labels select them too.
    for (QLabel* label : {m_ui->Label31, m_ui->Label32, m_ui->Label33, m_ui->Label34})
        label->installEventFilter(this);
    // The link text's tooltip also tells how the line is doing, kept current while shown.
    m_ui->Label13->installEventFilter(this);
    m_linkTipRefresh = new QTimer(this);
    m_linkTipRefresh->setInterval(kSilenceTickPeriod);
    connect(m_linkTipRefresh, &QTimer::timeout, this, [this] {
        if (!QToolTip::isVisible() || !m_ui->Label13->underMouse()) {
            m_linkTipRefresh->stop();
            return;
        }
        QToolTip::showText(QCursor::pos(), linkToolTip(), m_ui->Label13);
    });
}

void Form1::startUp()
{
    FillPortList();
    setBackground(m_ui->Command1, kConnectIdleColour);
    m_ui->Option3->setChecked(true);
    SetLogInterval();
}

// ---- Reception and display ----

void Form1::onComm()
{
    const int event = m_comm->commEvent();
    if (event != CommEvents::Receive) {
        m_rx.handleEvent(event, 0);
        return;
    }
    const std::optional<char> character = m_comm->input();
    if (!character)
        return;
    switch (m_rx.receive(*character)) {
    case FrameAssembler::Outcome::None:
        return;
    case FrameAssembler::Outcome::Accepted:
        enable(m_timer3);
        enable(m_timer2);
        ShowStatus();
        m_paintLimiter->changed();
        m_trend.append(sampleFromFields(m_clock->nowMsecs(), m_rx.rxFields));
        m_sender->frameAccepted(m_rx.rxFields);
        m_lastFrame.start();
        break;
    case FrameAssembler::Outcome::Dropped:
        // The send window must close after a dropped frame too, or a command could go
        // out at any later moment while the node talks on the half-duplex line.
        enable(m_timer3);
        break;
    }
    Q_EMIT sendWindowOpened();
}

void Form1::ShowStatus()
{
    const QStringList& fields = m_rx.rxFields;
    const QColor onBorder = systemColour(SystemColour::ButtonHighlight);
    const QColor offBorder = systemColour(SystemColour::WindowText);
    for (int index = 0; index < 16; ++index) {
        if (QLabel* label = m_textFieldForIndex[index]) {
            if (index < fields.size())
                label->setText(fields.at(index));
        }
    }
    for (const StatusLamp& lamp : kStatusLamps) {
        const bool on = lampIsOn(fields, lamp.frameIndex);
        m_lampForIndex[lamp.frameIndex]->setColours(on ? lamp.onFill : lamp.offFill, on ? onBorder : offBorder);
    }
}

void Form1::ClearStatus()
{
    const QColor offBorder = systemColour(SystemColour::WindowText);
    for (const StatusTextField& field : kStatusTextFields)
        m_textFieldForIndex[field.frameIndex]->setText(QLatin1String(idleText(field.frameIndex)));
    for (const StatusLamp& lamp : kStatusLamps)
        m_lampForIndex[lamp.frameIndex]->setColours(lamp.offFill, offBorder);
    m_ui->Check1->setChecked(false);
}

void Form1::silenceTick()
{
    if (m_rx.silenceTick())
        ClearStatus();
}

void Form1::sendWindowTick()
{
    m_rx.closeSendWindow();
    m_timer3->stop();
}

// ---- Serial link ----

void Form1::EnumSerialPorts() { m_discovery.EnumSerialPorts(); }

void Form1::FillPortList()
{
    EnumSerialPorts();
    PortBox* box = m_ui->Combo1;
    QLineEdit* edit = box->lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    const QSignalBlocker blocker(box);
    box->clear();
    for (const PresentPort& port : m_discovery.found()) {
        box->addItem(comName(port.number));
        box->setItemData(box->count() - 1, portToolTip(port), Qt::ToolTipRole);
    }
    box->setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

void Form1::connectClicked()
{
    if (const CommResult failure = m_link->connectAction(m_ui->Combo1->currentText())) {
        // Shown without a nested event loop: reception and the timers go on behind it.
        auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("zeq4810pc"),
                                    failure->description + QStringLiteral("\n\rCan't Connect COMport"),
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    // A port that did not open leaves the link as it was; say why at once, where the
    // link is shown, instead of only in a tooltip the user has to find.
    if (!m_comm->portOpen() && !m_link->lastOpenFailure().isEmpty()) {
        QLabel* link = m_ui->Label13;
        QToolTip::showText(link->mapToGlobal(QPoint(0, link->height())), m_link->lastOpenFailure(), link, QRect(),
                           static_cast<int>(kFailureBalloonTime.count()));
    }
}

void Form1::SetCOM() { m_link->SetCOM(m_ui->Combo1->currentText()); }

void Form1::OpenCOM() { m_link->OpenCOM(m_ui->Combo1->currentText()); }

void Form1::showLink(const QString& text, const QColor& colour)
{
    m_ui->Label13->setText(text);
    setBackground(m_ui->Command1, colour);
}

// ---- Logging ----

void Form1::SetLogInterval()
{
    const auto period = logInterval(m_ui->Option1->isChecked(), m_ui->Option2->isChecked(),
                                    m_ui->Option3->isChecked(), m_ui->Option4->isChecked());
    // Setting a running timer's period restarts it; the period already set goes on.
    if (m_timer1->intervalAsDuration() != period)
        m_timer1->setInterval(period);
}

void Form1::WriteLogLine()
{
    if (!m_comm->portOpen())
        return;
    if (!m_ui->Check1->isChecked())
        return;
    const QByteArray record = formatLogRecord(m_clock->now(), m_ui->Label16->text(), m_ui->Label1->text(), m_ui->Label7->text());
    const auto failure = appendRecord(m_logPath, record);
    switch (m_logHealth.recordResult(failure)) {
    case LogHealth::Change::FailureStarted:
        std::fprintf(stderr, "zeq4810pc: cannot write to %s: %s\n",
                     qPrintable(QDir::toNativeSeparators(QFileInfo(m_logPath).absoluteFilePath())),
                     qPrintable(m_logHealth.reason()));
        break;
    case LogHealth::Change::Recovered:
    case LogHealth::Change::None:
        break;
    }
    showLogHealth();
}

void Form1::showLogHealth()
{
    QLabel* caption = m_ui->Label26;
    QPalette palette = caption->palette();
    const QColor text = m_logHealth.failing() ? kLogFailureColour : systemColour(SystemColour::ButtonText);
    if (palette.color(QPalette::WindowText) != text) {
        palette.setColor(QPalette::Active, QPalette::WindowText, text);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
        caption->setPalette(palette);
    }
    caption->setToolTip(m_logHealth.failing()
                            ? QStringLiteral("Cannot write %1: %2")
                                  .arg(QDir::toNativeSeparators(QFileInfo(m_logPath).absoluteFilePath()), m_logHealth.reason())
                            : QString());
}

// ---- Windows and exit ----

FrmSet* Form1::configWindow() const { return m_frmSet; }

FrmAbout* Form1::aboutWindow() const { return m_frmAbout; }

TrendWindow* Form1::trendWindow() const { return m_trendWindow; }

void Form1::showTrend()
{
    if (!m_trendWindow) {
        m_trendWindow = new TrendWindow(m_trend, m_rx);
        m_trendWindow->setWindowIcon(windowIcon());
        placeOnScreen(m_trendWindow, kTrendWindowPlace);
    }
    showInFront(m_trendWindow);
}

void Form1::showSetForm()
{
    if (!m_frmSet) {
        m_frmSet = new FrmSet(*m_sender);
        m_frmSet->setWindowIcon(windowIcon());
        placeOnScreen(m_frmSet, kFrmSetPlace);
    }
    showInFront(m_frmSet);
}

void Form1::showAbout()
{
    if (!m_frmAbout) {
        m_frmAbout = new FrmAbout;
        placeOnScreen(m_frmAbout, kFrmAboutPlace);
    }
    showInFront(m_frmAbout);
}

void Form1::exitClicked()
{
    if (m_comm->portOpen())
        m_comm->setPortOpen(false);
    closeAllWindows();
}

void Form1::menuExit()
{
    if (m_comm->portOpen())
        m_comm->setPortOpen(false);
    ClearStatus();
    closeAllWindows();
}

void Form1::closeAllWindows()
{
    m_exiting = true;
    close();
    if (m_frmSet)
        m_frmSet->close();
    if (m_frmAbout)
        m_frmAbout->close();
    if (m_trendWindow)
        m_trendWindow->close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing by the window frame ends the program like "Exit".
    if (!m_exiting)
        exitClicked();
    event->accept();
}

QString Form1::linkToolTip() const
{
    QStringList lines;
    if (!m_ui->Label13->toolTip().isEmpty())
        lines.append(m_ui->Label13->toolTip());
    lines.append(QStringLiteral("Frames accepted %1, dropped %2").arg(m_rx.framesAccepted).arg(m_rx.framesDropped));
    lines.append(QStringLiteral("Characters received %1").arg(m_rx.charactersReceived));
    lines.append(m_lastFrame.isValid() ? QStringLiteral("Last frame %1 s ago").arg(m_lastFrame.elapsed() / 1000.0, 0, 'f', 1)
                                       : QStringLiteral("No frame received yet"));
    return lines.join(u'\n');
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->Label13 && event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), linkToolTip(), m_ui->Label13);
        m_linkTipRefresh->start();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const std::array<std::pair<QLabel*, QRadioButton*>, 4> pairs{{
            {m_ui->Label31, m_ui->Option1},
            {m_ui->Label32, m_ui->Option2},
            {m_ui->Label33, m_ui->Option3},
            {m_ui->Label34, m_ui->Option4},
        }};
        for (const auto& [label, option] : pairs) {
            if (watched == label && !option->isChecked()) {
                option->click();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
