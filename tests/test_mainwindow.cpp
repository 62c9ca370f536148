// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Form1.h"
#include "ui/FrmAbout.h"
#include "ui/FrmSet.h"
#include "ui/LampWidget.h"
#include "ui/Theme.h"
#include "ui/TrendWindow.h"
#include "ui/WindowPlace.h"

#include "config/ConfigSender.h"
#include "serial/ConnectionLifecycle.h"

#include "support/FakeCommControl.h"
#include "support/Frames.h"
#include "support/PseudoTerminal.h"
#include "support/ReadOnlyFile.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using namespace std::chrono_literals;

namespace {

class FixedClock : public Clock {
public:
    QDateTime now() const override { return moment; }
    QDateTime moment{QDate(2026, 12, 6), QTime(8, 15, 30)};
};

const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kDarkGreen(0x00, 0x40, 0x00);

// The main window on a pseudo-terminal mapped as COM7, as a user starts it.
struct Rig {
    PseudoTerminal pty;
    PortTable table{[] { return QList<SystemSerialDevice>{}; }};
    QTemporaryDir dir;
    FixedClock clock;
    std::unique_ptr<Form1> form;

    explicit Rig(std::unique_ptr<CommControl> comm = {})
    {
        table.setMapping(7, pty.path());
        form = std::make_unique<Form1>(table, std::move(comm));
        form->setClock(&clock);
        form->setLogFilePath(logPath());
        form->startUp();
        form->show();
    }
    QString logPath() const { return dir.filePath(QStringLiteral("data.txt")); }
    template <typename T = QLabel> T* get(const char* name) const
    {
        T* widget = form->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString text(const char* name) const { return get<QLabel>(name)->text(); }
    QTimer* timer(const char* name) const { return form->findChild<QTimer*>(QLatin1String(name)); }
    QColor lampFill(const char* name) const { return get<LampWidget>(name)->fillColor(); }
    void connectTo(const QString& port)
    {
        get<QComboBox>("Combo1")->lineEdit()->setText(port);
        get<QPushButton>("Command1")->click();
    }
    QColor connectColour() const { return get<QPushButton>("Command1")->palette().color(QPalette::Button); }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installClassicLook(); }

    void startsInTheDescribedState()
    {
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        Form1 form(table);
        QCOMPARE(form.findChild<QPushButton*>("Command1")->palette().color(QPalette::Button), kRed);
        QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), 10000);
        QVERIFY(form.findChild<QTimer*>("Timer1")->isActive());
        form.startUp();
        QCOMPARE(form.windowTitle(), QStringLiteral("ZEQ4810PC-RS485"));
        QCOMPARE(form.centralWidget()->size(), QSize(451, 422));
        QCOMPARE(form.findChild<QPushButton*>("Command1")->palette().color(QPalette::Button), QColor(0xFF, 0x80, 0x00));
        QCOMPARE(form.findChild<QLabel*>("Label13")->text(), QStringLiteral("Status Disconnect"));
        QCOMPARE(form.findChild<QPushButton*>("Command1")->accessibleDescription(), QStringLiteral("no port is open"));
        QCOMPARE(form.findChild<QComboBox*>("Combo1")->currentText(), QStringLiteral("COMPORT"));
        QCOMPARE(form.findChild<QComboBox*>("Combo1")->count(), 0);
        QCOMPARE(form.findChild<QTimer*>("Timer1")->interval(), 30000);
        QVERIFY(form.findChild<QRadioButton*>("Option3")->isChecked());
        for (const char* name : {"Timer2", "Timer3", "Timer4"})
            QVERIFY2(!form.findChild<QTimer*>(name)->isActive(), name);
        QCOMPARE(form.findChild<QTimer*>("Timer3")->interval(), 300);
        const QList<std::pair<const char*, const char*>> texts{
            {"Label16", "0"}, {"Label1", "00.0"}, {"Label7", "00.0"}, {"Label4", "00.0"}, {"Label6", "00.0"},
            {"Label10", "00.0"}, {"Label12", "00.0"}, {"Label28", "00"}, {"Label18", "0"}, {"Label20", "0"},
            {"Label30", "0"}};
        for (const auto& [name, text] : texts)
            QCOMPARE(form.findChild<QLabel*>(name)->text(), QLatin1String(text));
        for (const char* lamp : {"Shape1", "Shape2", "Shape3", "Shape4"})
            QCOMPARE(form.findChild<LampWidget*>(lamp)->fillColor(), kMaroon);
        QCOMPARE(form.findChild<LampWidget*>("Shape5")->fillColor(), kDarkGreen);
        QVERIFY(!form.findChild<QCheckBox*>("Check1")->isChecked());
        // Focus order of the description.
        QWidget* w = form.findChild<QWidget*>("Combo1");
        QStringList order;
        for (int i = 0; i < 5; ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isEnabled() || w->objectName().isEmpty() ||
                   w->objectName().startsWith(u"qt_"))
                w = w->nextInFocusChain();
            order.append(w->objectName());
        }
        QCOMPARE(order, (QStringList{"Command1", "Command2", "Command3", "Check1", "Option1"}));
    }

    void framesOnTheLineShowOnTheWindow()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QCOMPARE(rig.text("Label13"), QStringLiteral("Connected COM7"));
        QCOMPARE(rig.connectColour(), QColor(0x80, 0xFF, 0xFF));
        QCOMPARE(rig.get<QPushButton>("Command1")->accessibleDescription(), QStringLiteral("the port is open"));
        QVERIFY(rig.timer("Timer4")->isActive());
        QVERIFY(rig.get<QLabel>("Label13")->toolTip().isEmpty());

        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        QCOMPARE(rig.text("Label16"), QStringLiteral("1"));
        QCOMPARE(rig.text("Label7"), QStringLiteral("60.2"));
        QCOMPARE(rig.text("Label4"), QStringLiteral("20.0"));
        QCOMPARE(rig.text("Label12"), QStringLiteral("80.0"));
        QCOMPARE(rig.text("Label28"), QStringLiteral("10"));
        QCOMPARE(rig.text("Label18"), QStringLiteral("2"));
        QCOMPARE(rig.text("Label20"), QStringLiteral("128"));
        QCOMPARE(rig.text("Label30"), QStringLiteral("512"));
        QCOMPARE(rig.lampFill("Shape1"), kRed);
        QCOMPARE(rig.lampFill("Shape2"), kMaroon);
        QCOMPARE(rig.lampFill("Shape3"), kRed);
        QCOMPARE(rig.lampFill("Shape4"), kMaroon);
        QCOMPARE(rig.lampFill("Shape5"), kCyan);
        QCOMPARE(rig.get<LampWidget>("Shape1")->borderColor(), systemColour(SystemColour::ButtonHighlight));
        QCOMPARE(rig.get<LampWidget>("Shape2")->borderColor(), systemColour(SystemColour::WindowText));
        QCOMPARE(rig.form->flagRxByte(), 2);
        QVERIFY(rig.timer("Timer2")->isActive());
        // The send window closes 300 ms later.
        QTRY_COMPARE_WITH_TIMEOUT(rig.form->flagRxByte(), 0, 1000);
        QVERIFY(!rig.timer("Timer3")->isActive());

        // A dropped frame changes no field, but its send window closes as well.
        QByteArray dropped = statusFrame("9", {"99.9"});
        dropped[6] = ',';
        QVERIFY(rig.pty.write(dropped));
        QTRY_COMPARE(rig.form->flagRxByte(), 2);
        QVERIFY(rig.timer("Timer3")->isActive());
        QCOMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.form->flagRxByte(), 0, 1000);
    }

    void droppedFrameStartsNoSilenceWatch()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QByteArray dropped = typicalFrame();
        dropped[6] = ' ';
        QVERIFY(rig.pty.write(dropped));
        QTRY_COMPARE(rig.form->flagRxByte(), 2);
        QVERIFY(!rig.timer("Timer2")->isActive());
        QCOMPARE(rig.text("Label1"), QStringLiteral("00.0"));
    }

    void silenceResetsTheDisplayAfterSixTicks()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        rig.get<QCheckBox>("Check1")->setChecked(true);
        for (int tick = 1; tick <= 5; ++tick)
            rig.form->session().silenceTick();
        QCOMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        rig.form->session().silenceTick();
        QCOMPARE(rig.text("Label16"), QStringLiteral("0"));
        QCOMPARE(rig.text("Label1"), QStringLiteral("00.0"));
        QCOMPARE(rig.text("Label4"), QStringLiteral("0"));
        QCOMPARE(rig.text("Label28"), QStringLiteral("0"));
        QCOMPARE(rig.text("Label30"), QStringLiteral("0"));
        QCOMPARE(rig.lampFill("Shape1"), kMaroon);
        QCOMPARE(rig.lampFill("Shape5"), kDarkGreen);
        QVERIFY(!rig.get<QCheckBox>("Check1")->isChecked());
        // Noise keeps the last frame's values: any character restarts the count.
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        for (int second = 0; second < 10; ++second) {
            for (int tick = 0; tick < 5; ++tick)
                rig.form->session().silenceTick();
            QVERIFY(rig.pty.write("x"));
            QTRY_COMPARE(rig.form->reception().idleTicks(), 0);
        }
        QCOMPARE(rig.text("Label1"), QStringLiteral("25.3"));
    }

    void silentLineReturnsToIdleInRealTime()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        // Six ticks of the one-second silence timer, by the timer itself (the count of
        // ticks is pinned at its edge with the session's own ticks).
        QCOMPARE(rig.timer("Timer2")->intervalAsDuration(), 1000ms);
        int ticks = 0;
        connect(rig.timer("Timer2"), &QTimer::timeout, this, [&ticks] { ++ticks; });
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label1"), QStringLiteral("00.0"), 7000);
        QVERIFY2(ticks >= 5 && ticks <= 6, qPrintable(QString::number(ticks)));
    }

    void lostDeviceTurnsTheButtonRed()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.form->comm().portOpen());
        rig.pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label13"), QStringLiteral("Comport close"), 2000);
        QCOMPARE(rig.connectColour(), QColor(0xFF, 0x00, 0x00));
        QCOMPARE(rig.get<QPushButton>("Command1")->accessibleDescription(), QStringLiteral("the port was lost"));
        QVERIFY(!rig.timer("Timer4")->isActive());
        QVERIFY(!rig.form->comm().portOpen());
        QVERIFY(!rig.get<QLabel>("Label13")->toolTip().isEmpty());
    }

    void nodeVanishingMidFrameAndComingBack()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        // Half a frame, then the adapter is pulled.
        QVERIFY(rig.pty.write(statusFrame("9", {"99.9", "11.1"}).left(35)));
        QTRY_COMPARE(rig.form->reception().rxCount(), 35);
        rig.pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label13"), QStringLiteral("Comport close"), 2500);
        QCOMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        // It comes back under the same name; "Connect" picks it up again.
        PseudoTerminal back;
        rig.table.setMapping(7, back.path());
        rig.get<QPushButton>("Command1")->click();
        QCOMPARE(rig.text("Label13"), QStringLiteral("Connected COM7"));
        QCOMPARE(rig.connectColour(), QColor(0x80, 0xFF, 0xFF));
        QVERIFY(rig.timer("Timer4")->isActive());
        QVERIFY(back.write(statusFrame("4", {"21.5", "48.0"})));
        QTRY_COMPARE(rig.text("Label16"), QStringLiteral("4"));
        QCOMPARE(rig.text("Label1"), QStringLiteral("21.5"));
        QCOMPARE(rig.text("Label7"), QStringLiteral("48.0"));
    }

    void portListShowsThePortsPresentNow()
    {
        PseudoTerminal second;
        Rig rig;
        auto* box = rig.get<QComboBox>("Combo1");
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->itemText(0), QStringLiteral("COM7"));
        QVERIFY(box->itemData(0, Qt::ToolTipRole).toString().contains(rig.pty.path()));
        rig.table.setMapping(100, second.path());
        rig.table.setMapping(3, QStringLiteral("/nonexistent"));
        // The user types; each edit refills without piling up entries.
        box->lineEdit()->setText(QString());
        QTest::keyClicks(box->lineEdit(), QStringLiteral("COM1"));
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(1), QStringLiteral("COM100"));
        QCOMPARE(box->currentText(), QStringLiteral("COM1"));
        QCOMPARE(box->lineEdit()->cursorPosition(), 4);
        QTest::keyClicks(box->lineEdit(), QStringLiteral("00"));
        QCOMPARE(box->count(), 2);
        box->lineEdit()->setCursorPosition(2);
        QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
        QCOMPARE(box->currentText(), QStringLiteral("CO100"));
        QCOMPARE(box->lineEdit()->cursorPosition(), 2);
        // Opening the drop-down refreshes the list too.
        rig.table.setMapping(100, QStringLiteral("/nonexistent"));
        box->showPopup();
        QCOMPARE(box->count(), 1);
        box->hidePopup();
        rig.table.setMapping(100, second.path());
        // A listed COM100 connects.
        rig.connectTo(QStringLiteral("COM100"));
        QCOMPARE(rig.text("Label13"), QStringLiteral("Connected COM100"));
    }

    void connectWhenTheCloseFailsShowsTheMessage()
    {
        auto fake = std::make_unique<FakeCommControl>();
        FakeCommControl* comm = fake.get();
        Rig rig(std::move(fake));
        comm->open = true;
        comm->failClose = true;
        rig.connectTo(QStringLiteral("COM7"));
        auto* box = rig.form->findChild<QMessageBox*>();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("zeq4810pc"));
        QCOMPARE(box->text(), QStringLiteral("The device does not answer\n\rCan't Connect COMport"));
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->buttons().size(), 1);
        QVERIFY(!rig.timer("Timer4")->isActive());
        box->accept();
    }

    void failedConnectSaysWhyAtOnce()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM8"));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("No device is present for COM8"));
        QCOMPARE(rig.get<QLabel>("Label13")->toolTip(), QStringLiteral("No device is present for COM8"));
        QCOMPARE(rig.text("Label13"), QStringLiteral("Status Disconnect"));
        QCOMPARE(rig.connectColour(), QColor(0xFF, 0x80, 0x00));
        QToolTip::hideText();
    }

    void exitPathsCloseThePortFirst_data()
    {
        QTest::addColumn<int>("path"); // 0 "Exit", 1 File > Exit, 2 the window frame
        QTest::newRow("Exit button") << 0;
        QTest::newRow("File Exit") << 1;
        QTest::newRow("window frame") << 2;
    }
    void exitPathsCloseThePortFirst()
    {
        QFETCH(int, path);
        auto fake = std::make_unique<FakeCommControl>();
        FakeCommControl* comm = fake.get();
        Rig rig(std::move(fake));
        rig.connectTo(QStringLiteral("COM7"));
        rig.form->showSetForm();
        rig.form->showAbout();
        QPointer<FrmSet> set = rig.form->configWindow();
        QPointer<FrmAbout> about = rig.form->aboutWindow();
        rig.get<QLabel>("Label1")->setText(QStringLiteral("25.3"));
        bool windowsOpenAtClose = false;
        comm->onSetPortOpen = [&](bool open) {
            if (!open)
                windowsOpenAtClose = rig.form->isVisible() && set && set->isVisible();
        };
        if (path == 0)
            rig.get<QPushButton>("Command3")->click();
        else if (path == 1)
            rig.form->findChild<QAction*>("mnExit")->trigger();
        else
            rig.form->close();
        QVERIFY(windowsOpenAtClose);
        QVERIFY(!comm->open);
        QVERIFY(!rig.form->isVisible());
        QTRY_VERIFY(!set);
        QTRY_VERIFY(!about);
        QCOMPARE(rig.text("Label1"), path == 1 ? QStringLiteral("00.0") : QStringLiteral("25.3"));
    }

    void logWritesOneExactLinePerTick()
    {
        Rig rig;
        // Port closed and SaveLog checked: nothing, and no file.
        rig.get<QCheckBox>("Check1")->setChecked(true);
        rig.form->WriteLogLine();
        QVERIFY(!QFile::exists(rig.logPath()));
        rig.connectTo(QStringLiteral("COM7"));
        rig.get<QCheckBox>("Check1")->setChecked(false);
        rig.form->WriteLogLine();
        QVERIFY(!QFile::exists(rig.logPath()));

        {
            QFile file(rig.logPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier");
        }
        rig.get<QCheckBox>("Check1")->setChecked(true);
        rig.form->WriteLogLine();
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        rig.clock.moment = rig.clock.moment.addSecs(1);
        rig.form->WriteLogLine();
        QFile file(rig.logPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("earlier12-06-2026    08:15:30      0             00.0          00.0\r\n"
                                            "12-06-2026    08:15:31      1             25.3          60.2\r\n"));
        file.close();
        // The display reset clears SaveLog, and the log stays off until it is checked.
        for (int tick = 0; tick < 6; ++tick)
            rig.form->session().silenceTick();
        rig.form->WriteLogLine();
        QCOMPARE(QFileInfo(rig.logPath()).size(), 7 + 62 + 62);
    }

    void logFailureIsShownAndRecovers_data()
    {
        QTest::addColumn<bool>("fullDevice");
        QTest::newRow("read-only data.txt") << false;
        QTest::newRow("data.txt on a full device") << true;
    }
    void logFailureIsShownAndRecovers()
    {
        QFETCH(bool, fullDevice);
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        rig.get<QCheckBox>("Check1")->setChecked(true);
        if (fullDevice) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), rig.logPath()));
        } else {
            rig.form->WriteLogLine();
            if (!makeReadOnly(rig.logPath()))
                QSKIP("this file system cannot make a file refuse writes");
        }
        auto* caption = rig.get<QLabel>("Label26");
        const QColor normal = caption->palette().color(QPalette::WindowText);
        rig.form->WriteLogLine();
        rig.form->WriteLogLine();
        QCOMPARE(caption->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
        QVERIFY(caption->toolTip().contains(rig.logPath()));
        QVERIFY(QToolTip::text().startsWith(QStringLiteral("Cannot write ") + rig.logPath())); // said without hovering
        QVERIFY(rig.get<QCheckBox>("Check1")->isChecked());
        QVERIFY(rig.timer("Timer1")->isActive());
        if (fullDevice) {
            QVERIFY(QFile::remove(rig.logPath()));
        } else {
            makeWritable(rig.logPath());
            QCOMPARE(QFileInfo(rig.logPath()).size(), 62); // the earlier line is intact
        }
        rig.form->WriteLogLine();
        QCOMPARE(caption->palette().color(QPalette::WindowText), normal);
        QVERIFY(caption->toolTip().isEmpty());
        // The two records that waited are written first, in order, then this one.
        QCOMPARE(QToolTip::text(), QStringLiteral("Writing %1 again; the 2 records that waited are in it").arg(rig.logPath()));
        QCOMPARE(QFileInfo(rig.logPath()).size(), fullDevice ? 3 * 62 : 4 * 62);
    }

    // Records due while data.txt cannot be opened wait, in order, and none is lost; a
    // folder that does not take the file is said once, in a message that stays.
    void recordsWaitForTheFileAndTheFolderIsNamed()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        rig.get<QCheckBox>("Check1")->setChecked(true);
        const QString folder = rig.dir.filePath(QStringLiteral("later"));
        rig.form->setLogFilePath(folder + QStringLiteral("/data.txt"));
        for (int second = 30; second < 33; ++second) {
            rig.clock.moment.setTime(QTime(8, 15, second));
            rig.form->WriteLogLine();
        }
        auto* box = rig.form->findChild<QMessageBox*>(QStringLiteral("folderRefusal"));
        QVERIFY(box && box->isVisible());
        QVERIFY2(box->text().startsWith(QStringLiteral("data.txt cannot be written in %1: ").arg(folder)), qPrintable(box->text()));
        QVERIFY(box->informativeText().contains(QStringLiteral("from a folder you can write to")));
        QVERIFY(rig.get<QLabel>("Label26")->toolTip().contains(QStringLiteral("3 records are waiting")));
        QVERIFY(QDir().mkpath(folder));
        rig.clock.moment.setTime(QTime(8, 15, 33));
        rig.form->WriteLogLine();
        QFile file(folder + QStringLiteral("/data.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 5);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(lines.at(i).mid(14, 8), QStringLiteral("08:15:%1").arg(30 + i).toLatin1());
        QCOMPARE(rig.form->findChildren<QMessageBox*>(QStringLiteral("folderRefusal")).size(), 1);
    }

    void repaintsAreCappedWhileFramesStream()
    {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        struct PaintCount : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } count;
        QLabel* temperature = rig.get<QLabel>("Label1");
        temperature->installEventFilter(&count);
        PaintCount unchanged;
        rig.get<QLabel>("Label7")->installEventFilter(&unchanged);
        QTest::qWait(300);
        // A change after a quiet spell paints in the next turns of the loop.
        count.paints = 0;
        temperature->setText(QStringLiteral("11.1"));
        QTRY_COMPARE_WITH_TIMEOUT(count.paints, 1, 50);
        // A change every 5 ms for half a second paints about once per 16 ms, never once
        // per change, and the last value is on the screen at the end; a label whose text
        // did not change is not painted at all.
        count.paints = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; elapsed.elapsed() < 500; ++i) {
            temperature->setText(QString::number(i));
            QTest::qWait(5);
        }
        QTest::qWait(50);
        QVERIFY2(count.paints >= 12 && count.paints <= 34, qPrintable(QString::number(count.paints)));
        QCOMPARE(unchanged.paints, 0);
        const int before = count.paints;
        temperature->setText(QStringLiteral("last"));
        QTRY_VERIFY_WITH_TIMEOUT(count.paints > before, 200);
    }

    // Changes that no frame brings (nothing else wakes the window) are painted by the held
    // paint's timer: 16 ms after the last paint and 6 ms more, never sooner.
    void heldPaintsGoOutAfterTheInterval()
    {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        struct PaintTimes : QObject {
            QElapsedTimer clock;
            std::vector<double> ms;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Paint)
                    ms.push_back(clock.nsecsElapsed() / 1e6);
                return false;
            }
        } paints;
        paints.clock.start();
        QLabel* temperature = rig.get<QLabel>("Label1");
        temperature->installEventFilter(&paints);
        QTest::qWait(100);
        paints.ms.clear();
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; elapsed.elapsed() < 400; ++i) {
            temperature->setText(QString::number(i));
            QTest::qWait(1);
        }
        std::vector<double> gaps;
        for (std::size_t i = 1; i < paints.ms.size(); ++i)
            gaps.push_back(paints.ms[i] - paints.ms[i - 1]);
        QVERIFY(gaps.size() >= 10);
        const double shortest = *std::min_element(gaps.begin(), gaps.end());
        // Sooner is a shorter interval; the upper bound leaves room for a slow (sanitized) build.
        QVERIFY2(shortest >= 21.8 && shortest < 30.0, qPrintable(QString::number(shortest)));
    }

    // Timer1 running by itself writes the record at its period, through its own wiring.
    void logTimerWritesARecordByItself()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        rig.get<QCheckBox>("Check1")->setChecked(true);
        rig.get<QRadioButton>("Option1")->click();
        QCOMPARE(rig.timer("Timer1")->intervalAsDuration(), 1000ms);
        int ticks = 0;
        connect(rig.timer("Timer1"), &QTimer::timeout, this, [&ticks] { ++ticks; });
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(rig.logPath()).size() > 0, 2500);
        QCOMPARE(ticks, 1); // written by the tick, not before it
        QFile file(rig.logPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("12-06-2026    08:15:30      1             25.3          60.2\r\n"));
    }

    // "Open log..." on something that is no log file (a FIFO without a writer, a terminal,
    // an endless device) is refused at once, and the records go on at their interval.
    void aWrongLogNeverStopsTheRecords()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QTimer node;
        connect(&node, &QTimer::timeout, this, [&rig] { rig.pty.write(typicalFrame()); });
        node.start(300);
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        rig.get<QCheckBox>("Check1")->setChecked(true);
        rig.get<QRadioButton>("Option1")->click();
        rig.form->showTrend();
        TrendWindow* trend = rig.form->trendWindow();
        QVERIFY(trend);
        const QString fifo = rig.dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {fifo}), 0);
        PseudoTerminal terminal;
        QElapsedTimer waited;
        waited.start();
        for (const QString& path : {fifo, terminal.slavePath(), QStringLiteral("/dev/zero")}) {
            QVERIFY2(trend->loadLog(path).has_value(), qPrintable(path));
            QVERIFY2(trend->sourceText().contains(QStringLiteral("not a regular file")), qPrintable(trend->sourceText()));
        }
        QVERIFY(waited.elapsed() < 500);
        const auto records = [&rig] { return QFileInfo(rig.logPath()).size() / 62; };
        QTRY_VERIFY_WITH_TIMEOUT(records() >= 3, 4500);
        QVERIFY2(waited.elapsed() < 4000, qPrintable(QString::number(waited.elapsed())));
    }

    // As a screen reader hears the window: each reading by its caption with its value and
    // unit, labelled by the caption; each lamp by its caption with its state; the unit marks
    // out of sight.
    void screenReadersHearReadingsAndLamps()
    {
        Rig rig;
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.text("Label1"), QStringLiteral("25.3"));
        const auto face = [&rig](const char* name) { return QAccessible::queryAccessibleInterface(rig.get<QWidget>(name)); };
        const std::initializer_list<std::tuple<const char*, const char*, const char*>> readings{
            {"Label16", "Node Sensor No. 1", "1"},         {"Label1", "Temperature 25.3 °C", "25.3 °C"},
            {"Label7", "Humidity 60.2 %", "60.2 %"},        {"Label4", "จุดอุณภูมิต่ำ 20.0 °C", "20.0 °C"},
            {"Label12", "จุดความชื้นสูง 80.0 %", "80.0 %"}, {"Label28", "HOT-COLD 10", "10"},
            {"Label18", "Mode 2", "2"},                     {"Label20", "PWM 128", "128"},
            {"Label30", "ADC 512", "512"},
        };
        for (const auto& [reading, name, value] : readings) {
            QCOMPARE(face(reading)->text(QAccessible::Name), QString::fromUtf8(name));
            QCOMPARE(face(reading)->text(QAccessible::Value), QString::fromUtf8(value));
            QVERIFY(!face(reading)->text(QAccessible::Description).isEmpty());
        }
        const auto labels = face("Label4")->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty() && labels.first().first->object() == rig.get<QLabel>("Label3"));
        QCOMPARE(face("Shape1")->text(QAccessible::Name), QStringLiteral("Relay1 on"));
        QVERIFY(face("Shape1")->state().checked);
        QCOMPARE(face("Shape2")->text(QAccessible::Name), QStringLiteral("Relay2 off"));
        QCOMPARE(face("Shape2")->text(QAccessible::Value), QStringLiteral("off"));
        QVERIFY(!face("Shape2")->state().checked);
        QCOMPARE(face("Check1")->text(QAccessible::Name), QStringLiteral("SaveLog"));
        QCOMPARE(face("Option3")->text(QAccessible::Name), QStringLiteral("30sec"));
        QVERIFY(face("Label2")->state().invisible);

        QVERIFY(rig.pty.write(statusFrame("1", {"25.3", "60.2", "20.0", "30.0", "40.0", "80.0", "10", "2", "128", "1", "1", "1", "0", "512", "1"})));
        QTRY_COMPARE(face("Shape2")->text(QAccessible::Name), QStringLiteral("Relay2 on"));
        QVERIFY(face("Shape2")->state().checked);
    }

    // Under a dark palette the text on the fixed colours still reads (a contrast of at
    // least 4.5): the Connect button on each of its faces, the link line, the lamps'
    // captions. The usual light palette keeps its own text colours there.
    void textOnFixedColoursReadsUnderAnyPalette()
    {
        const QPalette light = QApplication::palette();
        QPalette dark;
        for (const auto& [role, colour] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
                 {QPalette::Window, QColor(0x35, 0x35, 0x35)}, {QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE)},
                 {QPalette::Button, QColor(0x35, 0x35, 0x35)}, {QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE)},
                 {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)}, {QPalette::Light, QColor(0x50, 0x50, 0x50)},
                 {QPalette::Base, QColor(0x25, 0x25, 0x25)}, {QPalette::Text, QColor(0xEE, 0xEE, 0xEE)}})
            dark.setColor(role, colour);
        QApplication::setPalette(dark);
        {
            Rig rig;
            auto* button = rig.get<QPushButton>("Command1");
            const auto textOn = [](QWidget* widget, const QColor& face) { return contrastRatio(widget->palette().color(QPalette::ButtonText), face); };
            QVERIFY(textOn(button, QColor(0xFF, 0x80, 0x00)) >= 4.5);
            rig.connectTo(QStringLiteral("COM7"));
            QCOMPARE(QColor(button->grab().toImage().pixel(button->width() - 3, button->height() / 2)), QColor(0x80, 0xFF, 0xFF));
            QVERIFY(textOn(button, QColor(0x80, 0xFF, 0xFF)) >= 4.5);
            // The caption as drawn: its darkest pixel against the face.
            const QImage face = button->grab().toImage();
            QColor darkest(Qt::white);
            for (int y = 0; y < face.height(); ++y)
                for (int x = 4; x < face.width() - 4; ++x)
                    if (qGray(face.pixel(x, y)) < qGray(darkest.rgb()))
                        darkest = face.pixel(x, y);
            QVERIFY(contrastRatio(darkest, QColor(0x80, 0xFF, 0xFF)) >= 4.5);
            rig.pty.closeMaster();
            QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label13"), QStringLiteral("Comport close"), 3000);
            QVERIFY(textOn(button, QColor(0xFF, 0x00, 0x00)) >= 4.5);
            QVERIFY(contrastRatio(rig.get<QLabel>("Label13")->palette().color(QPalette::WindowText), QColor(0x2A, 0x82, 0xDA)) >= 4.5);
            QVERIFY(contrastRatio(rig.get<QLabel>("Label21")->palette().color(QPalette::WindowText), QColor(0x35, 0x35, 0x35)) >= 4.5);
        }
        QApplication::setPalette(light);
        Rig rig;
        QCOMPARE(rig.get<QPushButton>("Command1")->palette().color(QPalette::ButtonText), light.color(QPalette::ButtonText));
        QCOMPARE(rig.get<QLabel>("Label13")->palette().color(QPalette::WindowText), light.color(QPalette::ButtonText));
    }

    // Colours as a user sees them: sampled from the grabbed window at the controls' places.
    void facesShowTheirColoursSolid()
    {
        Rig rig;
        auto faceAt = [&rig](const char* name) {
            QWidget* control = rig.get<QWidget>(name);
            const QImage image = control->grab().toImage();
            // Inside the edge, clear of the caption and the focus mark.
            return QColor(image.pixel(image.width() - 3, image.height() / 2));
        };
        const QColor buttonFace = systemColour(15);
        QCOMPARE(faceAt("Command1"), QColor(0xFF, 0x80, 0x00));
        rig.connectTo(QStringLiteral("COM7"));
        QCOMPARE(faceAt("Command1"), QColor(0x80, 0xFF, 0xFF));
        rig.pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("Label13"), QStringLiteral("Comport close"), 2000);
        QCOMPARE(faceAt("Command1"), QColor(0xFF, 0x00, 0x00));
        QCOMPARE(faceAt("Command2"), buttonFace);
        QCOMPARE(faceAt("Command3"), buttonFace);
        // A label and the group around it are one surface.
        const QImage group = rig.get<QWidget>("Frame1")->grab().toImage();
        QCOMPARE(QColor(group.pixel(10, 300)), buttonFace);                      // group, bare
        QCOMPARE(QColor(group.pixel(16 + 118, 24 + 20)), buttonFace);            // inside Label15
        QCOMPARE(QColor(rig.form->centralWidget()->grab().toImage().pixel(5, 50)), systemColour(2));
    }

    void fontsOfTheDescription()
    {
        Rig rig;
        struct Row {
            const char* control;
            const char* family;
            double points;
            bool bold;
        };
        const Row rows[] = {
            {"Label15", "MS Sans Serif", 9.75, true},    {"Label16", "MS Sans Serif", 14.25, true},
            {"Label1", "Times New Roman", 36, false},   {"Label2", "MS Serif", 24, false},
            {"Label3", "MS Sans Serif", 12, false},      {"Label4", "MS Serif", 13.5, false},
            {"Label5", "MS Sans Serif", 12, false},      {"Label9", "MS Sans Serif", 12, false},
            {"Label11", "MS Sans Serif", 12, false},     {"Label29", "MS Sans Serif", 12, true},
            {"Label28", "MS Sans Serif", 9.75, true},    {"Label35", "MS Sans Serif", 18, false},
            {"Label36", "MS Serif", 18, false},          {"Label27", "MS Sans Serif", 8.25, false},
        };
        for (const Row& row : rows) {
            const QFont font = rig.get<QWidget>(row.control)->font();
            QCOMPARE(font.family(), QLatin1String(row.family));
            QCOMPARE(font.pointSizeF(), row.points);
            QCOMPARE(font.bold(), row.bold);
        }
        // Every Thai caption, here and in the configuration window, fits its box whole:
        // drawn unclipped on a larger canvas, no ink falls outside the label's rectangle.
        rig.form->showSetForm();
        QList<QLabel*> thai;
        for (QWidget* window : {static_cast<QWidget*>(rig.form.get()), static_cast<QWidget*>(rig.form->configWindow())})
            for (QLabel* label : window->findChildren<QLabel*>())
                if (label->text().contains(QChar(0x0E08)))
                    thai.append(label);
        QCOMPARE(thai.size(), 8);
        for (QLabel* label : thai) {
            const QFont font = label->font();
            QCOMPARE(font.pointSizeF(), 12.0);
            constexpr int margin = 20;
            QImage canvas(label->size() + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
            canvas.fill(Qt::white);
            {
                QPainter painter(&canvas);
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(QRect(QPoint(margin, margin), QSize(1000, label->height())),
                                 Qt::AlignLeft | Qt::AlignTop, label->text());
            }
            const QRect box(QPoint(margin, margin), label->size());
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = 0; x < canvas.width(); ++x)
                    if (!box.contains(x, y) && qGray(canvas.pixel(x, y)) < 160)
                        QFAIL(qPrintable(QStringLiteral("%1 inks %2,%3 outside its box").arg(label->objectName()).arg(x - margin).arg(y - margin)));
        }
    }

    // The display fields draw their glyphs directly; what the user sees is what a plain
    // label shows for the same text.
    void displayFieldsLookLikeLabels()
    {
        Rig rig;
        for (const char* name : {"Label1", "Label7", "Label4", "Label16", "Label30"}) {
            QLabel* field = rig.get<QLabel>(name);
            for (const QString& text : {QStringLiteral("25.3"), QStringLiteral("-9.8"), QStringLiteral("AV 1\u00e9")}) {
                field->setText(text);
                QLabel plain(text);
                plain.setFont(field->font());
                plain.setPalette(field->palette());
                plain.setAutoFillBackground(true);
                plain.setAlignment(field->alignment());
                plain.resize(field->size());
                const QImage expected = plain.grab().toImage();
                const QImage shown = field->grab().toImage();
                int differing = 0;
                for (int y = 0; y < shown.height(); ++y)
                    for (int x = 0; x < shown.width(); ++x)
                        differing += qAbs(qGray(shown.pixel(x, y)) - qGray(expected.pixel(x, y))) > 64;
                QVERIFY2(differing <= 2, qPrintable(QStringLiteral("%1 \"%2\": %3 pixels differ").arg(name, text).arg(differing)));
            }
        }
    }

    void trendWindowOpensOnceFromMenuAndShortcut()
    {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QTest::keyClick(rig.form.get(), Qt::Key_T, Qt::ControlModifier);
        TrendWindow* trend = rig.form->trendWindow();
        QVERIFY(trend);
        QCOMPARE(trend->windowTitle(), QStringLiteral("Trend"));
        rig.get<QAction>("mnTrend")->trigger();
        QCOMPARE(rig.form->trendWindow(), trend);
        QCOMPARE(rig.form->findChild<QMenuBar*>()->actions().at(1)->text(), QStringLiteral("&View"));
        // Frames feed the trend whether or not the window is open.
        rig.connectTo(QStringLiteral("COM7"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.form->trend().size(), std::size_t(1));
        QCOMPARE(rig.form->trend().at(0).value(TrendSample::Temperature), 25.3f);
        // The link text's tooltip tells how the line is doing.
        const QString quality = rig.form->linkToolTip();
        QVERIFY2(quality.contains(QStringLiteral("Frames accepted 1, dropped 0\nCharacters received 72\nLast frame ")), qPrintable(quality));
        QCOMPARE(rig.form->centralWidget()->size(), QSize(451, 422));
    }

    void portBoxKeepsWhatIsTyped()
    {
        Rig rig;
        rig.form->activateWindow();
        auto* box = rig.get<QComboBox>("Combo1");
        box->addItem(QStringLiteral("COM1"));
        box->lineEdit()->clear();
        QTest::keyClicks(box->lineEdit(), QStringLiteral("COM"));
        QCOMPARE(box->currentText(), QStringLiteral("COM"));
    }

    // Re-choosing the option already set leaves the running period alone, so the tick
    // comes on time; choosing another restarts it.
    void rechoosingTheIntervalKeepsThePeriod()
    {
        Rig rig;
        QTimer* timer1 = rig.timer("Timer1");
        rig.get<QRadioButton>("Option2")->click();
        QTest::qWait(300);
        rig.get<QRadioButton>("Option2")->click();
        QTest::mouseClick(rig.get<QLabel>("Label32"), Qt::LeftButton);
        QVERIFY2(timer1->remainingTime() <= 4750, qPrintable(QString::number(timer1->remainingTime())));
        rig.get<QRadioButton>("Option1")->click();
        QVERIFY(timer1->remainingTime() > 900);
    }

    void secondaryWindowsCloseOnEscapeAndStayOnScreen()
    {
        Rig rig;
        rig.form->showSetForm();
        rig.form->showAbout();
        rig.form->showTrend();
        // The About window names the licence where it does not change the window's text.
        QVERIFY(rig.form->aboutWindow()->toolTip().startsWith(QStringLiteral("License GPL-3.0-or-later")));
        for (QWidget* window : {static_cast<QWidget*>(rig.form->configWindow()), static_cast<QWidget*>(rig.form->aboutWindow()),
                                static_cast<QWidget*>(rig.form->trendWindow())}) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QPointer<QWidget> alive(window);
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!alive);
        }
        QCOMPARE(fitInside(QRect(501, 64, 382, 322), QRect(0, 0, 853, 533)), QRect(471, 64, 382, 322));
        QCOMPARE(fitInside(QRect(501, 64, 382, 322), QRect(0, 0, 1024, 768)), QRect(501, 64, 382, 322));
        QCOMPARE(fitInside(QRect(-5, 500, 310, 130), QRect(0, 0, 853, 533)), QRect(0, 403, 310, 130));
    }

    void intervalOptionsAndTheirLabels()
    {
        Rig rig;
        QTimer* timer1 = rig.timer("Timer1");
        const QList<std::pair<const char*, int>> options{{"Option1", 1000}, {"Option2", 5000}, {"Option3", 30000}, {"Option4", 60000}};
        for (const auto& [option, interval] : options) {
            rig.get<QRadioButton>(option)->click();
            QCOMPARE(timer1->interval(), interval);
        }
        const QList<std::pair<const char*, const char*>> labels{{"Label31", "Option1"}, {"Label32", "Option2"}, {"Label33", "Option3"}, {"Label34", "Option4"}};
        for (const auto& [label, option] : labels) {
            QTest::mouseClick(rig.get<QLabel>(label), Qt::LeftButton);
            QVERIFY2(rig.get<QRadioButton>(option)->isChecked(), label);
        }
        QCOMPARE(timer1->interval(), 60000);
        QVERIFY(timer1->isActive());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
