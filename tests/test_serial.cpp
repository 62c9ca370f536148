// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ComName.h"
#include "serial/ConnectionLifecycle.h"
#include "serial/PortDiscovery.h"
#include "serial/PortMapping.h"
#include "serial/PortTable.h"
#include "platform/DeviceAccess.h"
#include "platform/posix/SerialControl.h"

#include "support/PseudoTerminal.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include "platform/TestProcess.h"
#include <QTimer>

namespace {

PortTable::DeviceSource devices(QList<SystemSerialDevice> list)
{
    return [list] { return list; };
}

QStringList names(const QList<PresentPort>& ports)
{
    QStringList out;
    for (const PresentPort& port : ports)
        out.append(comName(port.number));
    return out;
}

} // namespace

class SerialTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchingTakesWholeNamesIgnoringCase()
    {
        QCOMPARE(matchComPorts({"COM3", "COM1"}), (QList<int>{1, 3}));
        QCOMPARE(matchComPorts({"COM10"}), (QList<int>{10}));
        QCOMPARE(matchComPorts({"XCOM1", "COM1X", "COM01"}), QList<int>{});
        QCOMPARE(matchComPorts({"com5"}), (QList<int>{5}));
        QCOMPARE(matchComPorts({"COM100", "COM101", "COM0"}), (QList<int>{100}));
        QCOMPARE(matchComPorts({}), QList<int>{});
    }

    void deviceTableGivesFixedNames_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("number"); // 0: not mapped
        QTest::newRow("ttyS0") << "/dev/ttyS0" << 1;
        QTest::newRow("ttyS31") << "/dev/ttyS31" << 32;
        QTest::newRow("ttyS32") << "/dev/ttyS32" << 0;
        QTest::newRow("ttyUSB0") << "/dev/ttyUSB0" << 33;
        QTest::newRow("ttyUSB31") << "/dev/ttyUSB31" << 64;
        QTest::newRow("ttyUSB32") << "/dev/ttyUSB32" << 0;
        QTest::newRow("ttyACM0") << "/dev/ttyACM0" << 65;
        QTest::newRow("ttyACM31") << "/dev/ttyACM31" << 96;
        QTest::newRow("ttyAMA3") << "/dev/ttyAMA3" << 100;
        QTest::newRow("ttyAMA4") << "/dev/ttyAMA4" << 0;
        QTest::newRow("leading zero") << "/dev/ttyUSB01" << 0;
        QTest::newRow("other") << "/dev/ttyXRUSB0" << 0;
        QTest::newRow("pts") << "/dev/pts/3" << 0;
    }
    void deviceTableGivesFixedNames()
    {
        QFETCH(QString, device);
        QFETCH(int, number);
        QCOMPARE(comNumberForDevice(device).value_or(0), number);
    }

    void mappingsOverrideTheTableAndCountWhileTheirPathExists()
    {
        PseudoTerminal pty;
        PortTable table(devices({{"/dev/ttyS0", "16550A"}, {"/dev/ttyUSB0", "USB-RS485"}, {"/dev/ttyS40", "x"}}));
        QCOMPARE(names(table.presentPorts()), (QStringList{"COM1", "COM33"}));
        table.setMapping(33, pty.path());
        table.setMapping(7, QStringLiteral("/nonexistent/tty"));
        const auto present = table.presentPorts();
        QCOMPARE(names(present), (QStringList{"COM1", "COM33"}));
        QCOMPARE(present.at(1).path, pty.path());
    }

    void portToolTipsSayWhatIsKnown()
    {
        SystemSerialDevice adapter{"/dev/ttyUSB0", "USB-RS485 Cable", "FTDI", "FT5XK2LQ", 0x0403, 0x6001};
        QCOMPARE(portToolTip({33, "/dev/ttyUSB0", "USB-RS485 Cable", adapter}),
                 QStringLiteral("/dev/ttyUSB0\nUSB-RS485 Cable\nFTDI\nSerial number FT5XK2LQ\nVID:PID 0403:6001"));
        QCOMPARE(portToolTip({1, "/dev/ttyS0", "", {"/dev/ttyS0", "", "", "", {}, {}}}), QStringLiteral("/dev/ttyS0"));
        // A by-id mapping shows the device it leads to.
        QTemporaryDir dir;
        const QString byId = dir.filePath(QStringLiteral("usb-FTDI_USB-RS485_Cable_FT5XK2LQ-if00-port0"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), byId));
        SystemSerialDevice null{"/dev/null", "USB-RS485 Cable", "FTDI", "FT5XK2LQ", 0x0403, 0x6001};
        PortTable table(devices({null}));
        table.setMapping(7, byId);
        QCOMPARE(portToolTip(*table.presentPort(7)),
                 byId + QStringLiteral("\n/dev/null\nmapped on the command line\nUSB-RS485 Cable\nFTDI\nSerial number FT5XK2LQ\nVID:PID 0403:6001"));
    }

    void fillsReflectThePortsPresentNow()
    {
        QList<SystemSerialDevice> list{{"/dev/ttyS0", "a"}, {"/dev/ttyS2", "b"}};
        PortTable table([&list] { return list; });
        PortDiscovery discovery(table);
        discovery.EnumSerialPorts();
        discovery.EnumSerialPorts();
        QCOMPARE(names(discovery.found()), (QStringList{"COM1", "COM3"}));
        list.removeFirst();
        discovery.EnumSerialPorts();
        QCOMPARE(names(discovery.found()), (QStringList{"COM3"}));
    }

    void portNumberTextOfTheBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("COM3") << "COM3" << "3" << 3;
        QTest::newRow("COM12") << "COM12" << "12" << 12;
        QTest::newRow("COM100") << "COM100" << "100" << 100;
        QTest::newRow("COMPORT") << "COMPORT" << "" << 0;
        QTest::newRow("empty") << "" << "" << 0;
        QTest::newRow("COM") << "COM" << "" << 0;
        QTest::newRow("COMX") << "COMX" << "X" << 0;
        QTest::newRow("COM 5") << "COM 5" << " 5" << 5;
        QTest::newRow("COM 12") << "COM 12" << "" << 0;
        QTest::newRow("COM1x0") << "COM1x0" << "" << 0;
        QTest::newRow("XYZ100") << "XYZ100" << "" << 0;
        QTest::newRow("COM1000") << "COM1000" << "" << 0;
    }
    void portNumberTextOfTheBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(portNumberText(box), text);
        QCOMPARE(leadingNumberValue(portNumberText(box)), value);
    }

    void portMappingsFromTheCommandLine()
    {
        const auto good = parsePortMapping(QStringLiteral("com7=/tmp/node"));
        QVERIFY(std::holds_alternative<PortMapping>(good));
        QCOMPARE(std::get<PortMapping>(good).number, 7);
        QCOMPARE(std::get<PortMapping>(good).path, QStringLiteral("/tmp/node"));
        const auto withEquals = parsePortMapping(QStringLiteral("COM100=/tmp/a=b"));
        QCOMPARE(std::get<PortMapping>(withEquals).path, QStringLiteral("/tmp/a=b"));
        for (const char* bad : {"COM7", "COM0=/x", "COM101=/x", "COM07=/x", "LPT1=/x", "COM7=", "=/x", ""})
            QVERIFY2(std::holds_alternative<QString>(parsePortMapping(QLatin1String(bad))), bad);
    }

    void openReceiveAndWrite()
    {
        PseudoTerminal pty;
        PortTable table(devices({}));
        table.setMapping(7, pty.path());
        SerialControl comm(table);
        comm.setCommPort(7);
        QVERIFY(!comm.setSettings(QStringLiteral("115200,n,8,1")));
        QCOMPARE(comm.setSettings(QStringLiteral("fast"))->code, CommError::InvalidSetting);
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(comm.portOpen());
        QCOMPARE(comm.setPortOpen(true)->code, CommError::AlreadyOpen);

        QByteArray received;
        connect(&comm, &CommControl::received, this, [&](const QByteArray& run) { received.append(run); });
        QByteArray bytes("?\0\xff,abc", 7);
        QVERIFY(pty.write(bytes));
        QTRY_COMPARE(received, bytes);

        QVERIFY(!comm.setOutput("@,1,\r\n"));
        QByteArray sent;
        QTRY_COMPARE((sent += pty.readAvailable()), QByteArray("@,1,\r\n"));
        QVERIFY(!comm.setPortOpen(false));
        QCOMPARE(comm.setOutput("x")->code, CommError::PortClosed);
    }

    void staleBytesAreDiscardedAtOpen()
    {
        PseudoTerminal pty;
        PortTable table(devices({}));
        table.setMapping(7, pty.path());
        SerialControl comm(table);
        comm.setCommPort(7);
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(!comm.setPortOpen(false));
        pty.write("stale");
        QVERIFY(!comm.setPortOpen(true));
        QByteArray received;
        connect(&comm, &CommControl::received, this, [&](const QByteArray& run) { received.append(run); });
        pty.write("new");
        QTRY_COMPARE(received, QByteArray("new"));
    }

    void openFailuresCarryTheirCodes()
    {
        PseudoTerminal pty;
        PortTable table(devices({}));
        table.setMapping(7, pty.path());
        SerialControl comm(table);
        comm.setCommPort(0);
        QCOMPARE(comm.setPortOpen(true)->code, CommError::NoSuchPort);
        comm.setCommPort(8);
        QCOMPARE(comm.setPortOpen(true)->code, CommError::NoSuchPort);

        QSerialPort holder(pty.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        comm.setCommPort(7);
        const CommResult busy = comm.setPortOpen(true);
        QVERIFY(busy);
        QCOMPARE(busy->code, CommError::DeviceUnavailable);
        QVERIFY2(busy->description.contains(QLatin1String("in use")), qPrintable(busy->description));
        holder.close();

        // A second program holding the device's advisory lock keeps it busy as well.
        QProcess locker;
        locker.start(QStringLiteral("flock"), {QStringLiteral("-o"), QStringLiteral("-x"), pty.path(), QStringLiteral("-c"), QStringLiteral("echo locked; exec sleep 5")});
        QVERIFY(locker.waitForReadyRead(5000));
        const CommResult locked = comm.setPortOpen(true);
        QVERIFY(locked);
        QCOMPARE(locked->code, 8010);
        QCOMPARE(locked->description, pty.path() + QStringLiteral(" is in use by another program"));
        QVERIFY(!comm.portOpen());
        locker.kill();
        locker.waitForFinished();
        QVERIFY(!comm.setPortOpen(true));
    }

    void accessAdviceNamesTheDevicesGroup()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString group = ownGroupName();
        QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        QCOMPARE(accessAdvice(device), QStringLiteral("Access to %1 is denied; add your user to the %2 group "
                                                      "(sudo usermod -aG %2 $USER) and log in again").arg(device, group));
        QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QCOMPARE(accessAdvice(device), QStringLiteral("Access to %1 is denied, and no group may open it (mode 640); "
                                                      "ask the administrator to give it a group, for example with a udev rule").arg(device));
        // A refused open of a device this user may not write is advice, never "in use"; one
        // it may open is held by another program.
        QFile::setPermissions(device, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QCOMPARE(deviceUnavailable(device).description, accessAdvice(device));
        QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(deviceUnavailable(device).description, device + QStringLiteral(" is in use by another program"));
        // The group named is the device's, whatever the user's own is.
        if (::geteuid() != 0 || QProcess::execute(QStringLiteral("chgrp"), {QStringLiteral("dialout"), device}) != 0)
            QSKIP("only root can give the device another group here");
        QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        QVERIFY2(accessAdvice(device).contains(QLatin1String("to the dialout group")), qPrintable(accessAdvice(device)));
    }

    // One device, one control: a second control on it is refused while the first has it.
    void theDeviceIsExclusive()
    {
        PseudoTerminal pty;
        PortTable table(devices({}));
        table.setMapping(7, pty.path());
        SerialControl first(table);
        SerialControl second(table);
        first.setCommPort(7);
        second.setCommPort(7);
        QVERIFY(!first.setPortOpen(true));
        const CommResult refused = second.setPortOpen(true);
        QVERIFY(refused);
        QCOMPARE(refused->code, CommError::DeviceUnavailable);
        QVERIFY(!second.portOpen());
        QVERIFY(!first.setPortOpen(false));
        QVERIFY(!second.setPortOpen(true));
        // The lock itself: whoever takes it first has it alone.
        const int one = ::open(QFile::encodeName(pty.path()).constData(), O_RDWR | O_NOCTTY);
        const int other = ::open(QFile::encodeName(pty.path()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(one >= 0 && other >= 0);
        QVERIFY(!second.setPortOpen(false));
        QVERIFY(!heldByAnother(one));
        QVERIFY(heldByAnother(other));
        ::close(one);
        QVERIFY(!heldByAnother(other));
        ::close(other);
    }

    void hangUpClosesThePortAndTheNextOpenFindsItGone()
    {
        auto pty = std::make_unique<PseudoTerminal>();
        PortTable table(devices({}));
        table.setMapping(7, pty->path());
        SerialControl comm(table);
        comm.setCommPort(7);
        QVERIFY(!comm.setPortOpen(true));
        QSignalSpy lost(&comm, &CommControl::deviceLost);
        QSignalSpy events(&comm, &CommControl::received);
        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!comm.portOpen(), 1000);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(events.size(), 0);
        pty.reset();
        QCOMPARE(comm.setPortOpen(true)->code, CommError::NoSuchPort);
    }

    void connectionStates()
    {
        PseudoTerminal first;
        PseudoTerminal second;
        PortTable table(devices({}));
        table.setMapping(3, first.path());
        table.setMapping(12, second.path());
        SerialControl comm(table);
        PortDiscovery discovery(table);
        QTimer watchdog;
        ConnectionLifecycle link(comm, discovery, watchdog);
        QString port;
        LinkState state = LinkState::Idle;
        connect(&link, &ConnectionLifecycle::linkChanged, this, [&](LinkState s, const QString& number) {
            state = s;
            port = number;
        });

        QCOMPARE(link.state(), LinkState::Idle);
        QVERIFY(!link.connectAction(QStringLiteral("COM3")));
        QCOMPARE(port, QStringLiteral("3"));
        QCOMPARE(state, LinkState::Connected);
        QCOMPARE(link.state(), LinkState::Connected);
        QVERIFY(watchdog.isActive());
        QVERIFY(link.lastOpenFailure().isEmpty());

        // While connected a tick finds the port open and changes nothing.
        link.watchdogTick();
        QCOMPARE(port, QStringLiteral("3"));
        QVERIFY(watchdog.isActive());

        // "Connect" while connected moves to the port now named.
        QVERIFY(!link.connectAction(QStringLiteral("COM12")));
        QCOMPARE(port, QStringLiteral("12"));
        QCOMPARE(comm.commPort(), 12);
        QVERIFY(watchdog.isActive());

        // A missing port: nothing at "Connect", then the tick reports it lost.
        QVERIFY(!link.connectAction(QStringLiteral("COM9")));
        QCOMPARE(port, QStringLiteral("12"));
        QCOMPARE(state, LinkState::Connected);
        QVERIFY(!comm.portOpen());
        QVERIFY(!link.lastOpenFailure().isEmpty());
        link.watchdogTick();
        QCOMPARE(state, LinkState::Lost);
        QCOMPARE(link.state(), LinkState::Lost);
        QVERIFY(!watchdog.isActive());
    }

    void busyPortConnectsSilentlyOnceFree()
    {
        PseudoTerminal pty;
        PortTable table(devices({}));
        table.setMapping(5, pty.path());
        SerialControl comm(table);
        PortDiscovery discovery(table);
        QTimer watchdog;
        ConnectionLifecycle link(comm, discovery, watchdog);
        QSignalSpy shown(&link, &ConnectionLifecycle::linkChanged);
        QSerialPort holder(pty.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));

        QVERIFY(!link.connectAction(QStringLiteral("COM5")));
        QVERIFY(!comm.portOpen());
        QVERIFY(link.lastOpenFailure().contains(QLatin1String("in use")));
        link.watchdogTick();
        QVERIFY(!comm.portOpen());
        QVERIFY(watchdog.isActive());
        holder.close();
        link.watchdogTick();
        QVERIFY(comm.portOpen());
        QCOMPARE(shown.size(), 0); // the display stays as it was
        QVERIFY(link.lastOpenFailure().isEmpty());
    }

    void lostDeviceIsReportedByTheNextTick()
    {
        auto pty = std::make_unique<PseudoTerminal>();
        PortTable table(devices({}));
        table.setMapping(100, pty->path());
        SerialControl comm(table);
        PortDiscovery discovery(table);
        QTimer watchdog;
        watchdog.setObjectName(QStringLiteral("Timer4"));
        ConnectionLifecycle link(comm, discovery, watchdog);
        QVERIFY(!link.connectAction(QStringLiteral("COM100")));
        QCOMPARE(link.state(), LinkState::Connected);
        pty.reset();
        // Real watchdog ticks, once a second.
        QTRY_COMPARE_WITH_TIMEOUT(link.state(), LinkState::Lost, 2500);
        QVERIFY(!watchdog.isActive());
    }
};

QTEST_GUILESS_MAIN(SerialTest)
#include "test_serial.moc"
