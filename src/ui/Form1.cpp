// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form1.h"

#include "FrmAbout.h"
#include "FrmSet.h"
#include "LampWidget.h"
#include "LiveToolTip.h"
#include "PaintRateLimiter.h"
#include "StatusFields.h"
#include "Theme.h"
#include "TrendWindow.h"
#include "WindowPlace.h"
#include "ui_Form1.h"

#include "logging/LogInterval.h"
#include "serial/ComName.h"
#include "serial/ConnectionLifecycle.h"
#include "serial/SerialLine.h"
#include "telemetry/LampState.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>

#include <cstdio>

namespace {

constexpr std::chrono::milliseconds kFailureBalloonTime{6000};

const QColor kLogFailureColour(0xFF, 0x00, 0x00);

QTimer* makeTimer(QObject* parent, const char* name, std::chrono::milliseconds period)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(period);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

Form1::Form1(PortTable& ports, std::unique_ptr<CommControl> comm, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::Form1>())
    , m_session(new LineSession(comm ? std::move(comm) : makeSerialControl(ports), this))
    , m_discovery(ports)
{
    m_ui->setupUi(this);
    applyDesignLook(this);

    m_timer1 = makeTimer(this, "Timer1", kDesignLogInterval);
    m_timer4 = makeTimer(this, "Timer4", kWatchdogPeriod);
    m_timer1->start();

    m_link = new ConnectionLifecycle(m_session->comm(), m_discovery, *m_timer4, this);
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
    // Red until the window has loaded; orange once it waits for "Connect".
    setFace(m_ui->Command1, linkFace(LinkState::Lost));

    connect(m_session, &LineSession::frameAccepted, this, &Form1::frameAccepted);
    connect(m_session, &LineSession::nodeFrame, this,
            [this](const QStringList& fields, qint64 received) { m_trend.append(sampleFromFields(received, fields)); });
    connect(m_session, &LineSession::silenced, this, &Form1::ClearStatus);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Form1::connectClicked);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form1::showSetForm);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Form1::exitClicked);
    connect(m_ui->mnExit, &QAction::triggered, this, &Form1::menuExit);
    connect(m_ui->mnAbout, &QAction::triggered, this, &Form1::showAbout);
    connect(m_ui->mnTrend, &QAction::triggered, this, &Form1::showTrend);
    connect(m_ui->Combo1->lineEdit(), &QLineEdit::textEdited, this, &Form1::FillPortList);
    connect(m_ui->Combo1, &PortBox::aboutToShowList, this, &Form1::FillPortList);
    connect(m_timer1, &QTimer::timeout, this, &Form1::WriteLogLine);
    connect(m_link, &ConnectionLifecycle::linkChanged, this, &Form1::showLink);
    connect(m_link, &ConnectionLifecycle::lastOpenFailureChanged, m_ui->Label13, &QLabel::setToolTip);

    for (const auto& [label, option] : {std::pair{m_ui->Label31, m_ui->Option1}, std::pair{m_ui->Label32, m_ui->Option2},
                                        std::pair{m_ui->Label33, m_ui->Option3}, std::pair{m_ui->Label34, m_ui->Option4}}) {
        connect(option, &QRadioButton::clicked, this, &Form1::SetLogInterval);
        new LabelSelectsOption(label, option);
    }
    // The link text's tooltip also tells how the line is doing.
    new LiveToolTip(m_ui->Label13, [this] { return linkToolTip(); });
    describeControls();
}

void Form1::startUp()
{
    FillPortList();
    setFace(m_ui->Command1, linkFace(LinkState::Idle));
    m_ui->Option3->setChecked(true);
    SetLogInterval();
}

// ---- Display ----

void Form1::frameAccepted()
{
    ShowStatus();
    m_paintLimiter->changed();
}

void Form1::ShowStatus()
{
    for (const StatusTextField& field : kStatusTextFields)
        m_textFieldForIndex[field.frameIndex]->setText(m_session->shown(field.frameIndex));
    const QColor onBorder = systemColour(SystemColour::ButtonHighlight);
    const QColor offBorder = systemColour(SystemColour::WindowText);
    const QStringList& fields = m_session->reception().rxFields;
    for (const StatusLamp& lamp : kStatusLamps) {
        const bool on = lampIsOn(fields, lamp.frameIndex);
        m_lampForIndex[lamp.frameIndex]->showState(on, on ? lamp.onFill : lamp.offFill, on ? onBorder : offBorder);
    }
}

void Form1::ClearStatus()
{
    m_session->clearShown();
    const QColor offBorder = systemColour(SystemColour::WindowText);
    for (const StatusTextField& field : kStatusTextFields)
        m_textFieldForIndex[field.frameIndex]->setText(m_session->shown(field.frameIndex));
    for (const StatusLamp& lamp : kStatusLamps)
        m_lampForIndex[lamp.frameIndex]->showState(false, lamp.offFill, offBorder);
    m_ui->Check1->setChecked(false);
}

// ---- Serial link ----

void Form1::EnumSerialPorts() { m_discovery.EnumSerialPorts(); }

void Form1::FillPortList()
{
    EnumSerialPorts();
    QList<std::pair<QString, QString>> ports;
    for (const PresentPort& port : m_discovery.found())
        ports.append({comName(port.number), portToolTip(port)});
    m_ui->Combo1->setPorts(ports);
}

void Form1::connectClicked()
{
    if (const CommResult failure = m_link->connectAction(m_ui->Combo1->currentText())) {
        // Shown without a nested event loop: reception and the timers go on behind it.
        auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("zeq4810pc"),
                                    failure->description + QStringLiteral("\n\rCan't Connect COMport"), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    // A port that did not open leaves the link as it was; say why at once, where the
    // link is shown, instead of only in a tooltip the user has to find.
    if (!comm().portOpen() && !m_link->lastOpenFailure().isEmpty())
        sayAt(m_ui->Label13, m_link->lastOpenFailure());
}

void Form1::sayAt(QWidget* control, const QString& text)
{
    QToolTip::showText(control->mapToGlobal(QPoint(0, control->height())), text, control, QRect(),
                       static_cast<int>(kFailureBalloonTime.count()));
}

void Form1::SetCOM() { m_link->SetCOM(m_ui->Combo1->currentText()); }

void Form1::OpenCOM() { m_link->OpenCOM(m_ui->Combo1->currentText()); }

void Form1::showLink(LinkState state, const QString& portNumber)
{
    m_ui->Label13->setText(linkText(state, portNumber));
    setFace(m_ui->Command1, linkFace(state));
    // The button's colour is the link's state; a screen reader hears it in words.
    m_ui->Command1->setAccessibleDescription(linkSpoken(state));
}

// ---- Logging ----

void Form1::SetLogInterval()
{
    const auto period = logInterval(m_ui->Option1->isChecked(), m_ui->Option2->isChecked(), m_ui->Option3->isChecked(),
                                    m_ui->Option4->isChecked());
    // Setting a running timer's period restarts it; the period already set goes on.
    if (m_timer1->intervalAsDuration() != period)
        m_timer1->setInterval(period);
}

void Form1::WriteLogLine()
{
    if (!comm().portOpen() || !m_ui->Check1->isChecked())
        return;
    // A change of the log's health is said once, where the user looks and on stderr.
    const LogHealth::Change change = m_session->writeRecord();
    if (change != LogHealth::Change::None) {
        const QString said = m_session->logHealthText(change);
        std::fprintf(stderr, "zeq4810pc: %s\n", qPrintable(said));
        sayAt(m_ui->Label26, said);
    }
    // A folder that does not take the file: a message that stays until read.
    if (const auto refusal = m_session->folderRefusal(change)) {
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("zeq4810pc"), refusal->text, QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("folderRefusal"));
        box->setFont(font());
        box->setInformativeText(refusal->advice);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    showLogHealth();
}

void Form1::showLogHealth()
{
    const LogHealth& health = m_session->logHealth();
    setForeground(m_ui->Label26, health.failing() ? kLogFailureColour : systemColour(SystemColour::ButtonText));
    m_ui->Label26->setToolTip(m_session->logHealthText(LogHealth::Change::None));
}

// ---- Windows and exit ----
FrmSet* Form1::configWindow() const { return m_frmSet; }
FrmAbout* Form1::aboutWindow() const { return m_frmAbout; }
TrendWindow* Form1::trendWindow() const { return m_trendWindow; }

void Form1::showTrend()
{
    showOnce(m_trendWindow, kTrendWindowPlace, [this] {
        auto* window = new TrendWindow(m_trend, m_session->reception(), &m_session->clock());
        window->setWindowIcon(windowIcon());
        return window;
    });
}

void Form1::showSetForm()
{
    showOnce(m_frmSet, kFrmSetPlace, [this] {
        auto* window = new FrmSet(configSender());
        window->setWindowIcon(windowIcon());
        return window;
    });
}

void Form1::showAbout()
{
    showOnce(m_frmAbout, kFrmAboutPlace, [] { return new FrmAbout; });
}

void Form1::exitClicked()
{
    if (comm().portOpen())
        comm().setPortOpen(false);
    closeAllWindows();
}

void Form1::menuExit()
{
    if (comm().portOpen())
        comm().setPortOpen(false);
    ClearStatus(); // the display is idle as the windows close
    closeAllWindows();
}

void Form1::closeAllWindows()
{
    m_exiting = true;
    close();
    for (QWidget* window : std::initializer_list<QWidget*>{m_frmSet, m_frmAbout, m_trendWindow}) {
        if (window)
            window->close();
    }
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
    const QString& failure = m_link->lastOpenFailure();
    return failure.isEmpty() ? m_session->lineQuality() : failure + u'\n' + m_session->lineQuality();
}
