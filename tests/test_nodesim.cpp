// SPDX-License-Identifier: GPL-3.0-or-later
#include "NodeModel.h"

#include "telemetry/FrameAssembler.h"
#include "ui/Form1.h"
#include "ui/FrmSet.h"
#include "ui/LampWidget.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

FrameAssembler::Outcome feed(FrameAssembler& rx, const QByteArray& bytes)
{
    FrameAssembler::Outcome last = FrameAssembler::Outcome::None;
    for (char c : bytes) {
        const auto outcome = rx.receive(c);
        if (outcome != FrameAssembler::Outcome::None)
            last = outcome;
    }
    return last;
}

// The simulator as a process, with its link in a folder of its own.
struct Simulator {
    QTemporaryDir dir;
    QProcess process;
    QString link() const { return dir.filePath(QStringLiteral("node")); }

    bool start(QStringList arguments)
    {
        arguments << QStringLiteral("--link") << link();
        process.setProgram(QStringLiteral(NODESIM_PATH));
        process.setArguments(arguments);
        process.start();
        return process.waitForStarted() && QTest::qWaitFor([this] { return QFileInfo::exists(link()); }, 3000);
    }
    ~Simulator()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

// The program's main window connected to the simulator as COM1.
struct Program {
    PortTable table{[] { return QList<SystemSerialDevice>{}; }};
    std::unique_ptr<Form1> form;
    explicit Program(const QString& link)
    {
        table.setMapping(1, link);
        form = std::make_unique<Form1>(table);
        form->startUp();
        form->show();
        form->findChild<QComboBox*>("Combo1")->lineEdit()->setText(QStringLiteral("COM1"));
        form->findChild<QPushButton*>("Command1")->click();
    }
    QString text(const char* name) const { return form->findChild<QLabel*>(QLatin1String(name))->text(); }
};

} // namespace

class NodeSimTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void framesAreAcceptedWithTheNodesValues()
    {
        NodeModel node;
        node.relay1 = true;
        for (const char* number : {"1", "255", "-5", "2.5"}) {
            node.node = QLatin1String(number);
            for (int i = 0; i < 50; ++i) {
                node.advance();
                const QByteArray frame = node.statusFrame();
                QVERIFY(frame.size() >= 72);
                QCOMPARE(frame.count('?'), 1);
                FrameAssembler rx;
                QCOMPARE(feed(rx, frame), FrameAssembler::Outcome::Accepted);
                QCOMPARE(rx.rxFields.at(0), QLatin1String(number));
                QCOMPARE(rx.rxFields.at(1).toDouble(), std::round(node.temperature * 10) / 10);
                QCOMPARE(rx.rxFields.at(10), QStringLiteral("1"));
                QCOMPARE(rx.rxFields.at(15), QStringLiteral("1"));
            }
        }
        FrameAssembler rx;
        QCOMPARE(feed(rx, node.statusFrame(true)), FrameAssembler::Outcome::Dropped);
    }

    void commandsAreAppliedFieldByField()
    {
        NodeModel node;
        auto result = node.applyCommand("@,5,8,20,30.5,40,80,11,1,0,128,2,1,2,");
        QVERIFY2(result.accepted, qPrintable(result.detail));
        QCOMPARE(node.node, QStringLiteral("5"));
        QCOMPARE(node.highTemperature, QStringLiteral("30.5"));
        QVERIFY(node.relay1 && !node.relay2);
        QCOMPARE(node.pwm, QStringLiteral("128"));
        QCOMPARE(node.mode, QStringLiteral("2"));
        // Empty fields leave the settings as they were.
        result = node.applyCommand("@,,,-5,,,,1,,,,,1,3,");
        QVERIFY(result.accepted);
        QCOMPARE(node.node, QStringLiteral("5"));
        QCOMPARE(node.lowTemperature, QStringLiteral("-5"));
        QCOMPARE(node.hotCold, QStringLiteral("1"));
        QVERIFY(node.statusFrame().contains(",01,"));
        QVERIFY(node.applyCommand("@,,,,,,,,,,,,1,1,").accepted);

        for (const char* bad : {"@,,,,,,,,,,,,1,1", "@,,,,,,,,,,,,1,1,,", "#,,,,,,,,,,,,1,1,", "@,256,,,,,,,,,,,1,1,",
                                "@,,,,,,,12,,,,,1,1,", "@,,,,,,,,2,,,,1,1,", "@,,,,,,,,,,,,2,1,", "@,,,,,,,,,,,,1,,",
                                "@,,,,,,,,,,,4,1,1,", "@,x,,,,,,,,,,,1,1,", ""}) {
            const NodeModel before = node;
            const auto refused = node.applyCommand(bad);
            QVERIFY2(!refused.accepted, bad);
            QVERIFY(!refused.detail.isEmpty());
            QCOMPARE(node.node, before.node);
        }
    }

    void linesAreSplitAtCrLfAndBounded()
    {
        LineSplitter splitter;
        QCOMPARE(splitter.feed("@,1"), QList<QByteArray>{});
        QCOMPARE(splitter.feed(",\r\n@,2,\r\n@"), (QList<QByteArray>{"@,1,", "@,2,"}));
        const auto lines = splitter.feed(QByteArray(100000, 'x') + "\r\n");
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().size() <= LineSplitter::kMaxLine);
    }

    void theLoopClosesEndToEnd()
    {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--period"), QStringLiteral("100")}));
        Program program(sim.link());
        QCOMPARE(program.text("Label13"), QStringLiteral("Connected COM1"));
        QTRY_COMPARE(program.text("Label16"), QStringLiteral("1"));
        QTRY_VERIFY(program.text("Label1") != u"00.0");
        QCOMPARE(program.text("Label4"), QStringLiteral("20"));

        program.form->showSetForm();
        FrmSet* set = program.form->configWindow();
        set->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("5"));
        set->findChild<QLineEdit*>("Text5")->setText(QStringLiteral("-5"));
        set->findChild<QLineEdit*>("Text8")->setText(QStringLiteral("85.5"));
        set->findChild<QRadioButton*>("Option5")->setChecked(true);
        set->findChild<QRadioButton*>("Option12")->setChecked(true);
        set->findChild<QPushButton*>("Command1")->click();
        QTRY_COMPARE(program.text("Label16"), QStringLiteral("5"));
        QCOMPARE(program.text("Label4"), QStringLiteral("-5"));
        QCOMPARE(program.text("Label12"), QStringLiteral("85.5"));
        QCOMPARE(program.text("Label28"), QStringLiteral("00"));
        QCOMPARE(program.form->findChild<LampWidget*>("Shape1")->fillColor(), QColor(0xFF, 0, 0));
        QByteArray printed;
        QTRY_VERIFY((printed += sim.process.readAllStandardOutput()).contains("received \"@,5,,-5,,,85.5,0,1,,,,1,1,\\r\\n\": applied"));
    }

    // The configuration window says whether the node took a command, from its frames.
    void confirmationEndToEnd_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("node applies all") << QStringList{} << QStringLiteral(": Applied");
        QTest::newRow("node ignores mode") << QStringList{QStringLiteral("--ignore"), QStringLiteral("mode")}
                                           << QStringLiteral(": Not applied after 3 frames: Mode sent 2, node shows 1");
    }
    void confirmationEndToEnd()
    {
        QFETCH(QStringList, faults);
        QFETCH(QString, verdict);
        Simulator sim;
        QVERIFY(sim.start(QStringList{QStringLiteral("--period"), QStringLiteral("100")} + faults));
        Program program(sim.link());
        QTRY_COMPARE(program.text("Label16"), QStringLiteral("1"));
        program.form->showSetForm();
        FrmSet* set = program.form->configWindow();
        set->findChild<QLineEdit*>("Text5")->setText(QStringLiteral("22"));
        set->findChild<QLineEdit*>("Text2")->setText(QStringLiteral("2"));
        set->findChild<QPushButton*>("Command1")->click();
        auto* status = set->findChild<QLabel*>("lblCommandStatus");
        QTRY_VERIFY_WITH_TIMEOUT(status->toolTip().startsWith(QStringLiteral("Sent #1 at ")), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(status->toolTip().endsWith(verdict), 2000);
        const bool red = status->palette().color(QPalette::WindowText) == QColor(0xFF, 0, 0);
        QCOMPARE(red, !faults.isEmpty());
        // The status is the sender's: a reopened window shows it.
        set->close();
        QTRY_VERIFY(!program.form->configWindow());
        program.form->showSetForm();
        QVERIFY(program.form->configWindow()->findChild<QLabel*>("lblCommandStatus")->toolTip().endsWith(verdict));
    }

    void noiseAndDroppedFramesNeverReachTheDisplay()
    {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--period"), QStringLiteral("50"), QStringLiteral("--noise"), QStringLiteral("150"),
                           QStringLiteral("--drop-every"), QStringLiteral("2")}));
        Program program(sim.link());
        QTRY_COMPARE(program.text("Label16"), QStringLiteral("1"));
        QElapsedTimer watch;
        watch.start();
        int checks = 0;
        while (watch.elapsed() < 2000) {
            QTest::qWait(10);
            ++checks;
            QCOMPARE(program.text("Label16"), QStringLiteral("1"));
            const double temperature = program.text("Label1").toDouble();
            QVERIFY2(temperature >= 15 && temperature <= 35, qPrintable(program.text("Label1")));
            QCOMPARE(program.text("Label4"), QStringLiteral("20"));
        }
        QVERIFY(checks > 50);
    }

    void vanishingLineIsReportedAsClosed()
    {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--period"), QStringLiteral("100"), QStringLiteral("--vanish-after"), QStringLiteral("3")}));
        Program program(sim.link());
        QTRY_COMPARE(program.text("Label16"), QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(program.text("Label13"), QStringLiteral("Comport close"), 3000);
        QVERIFY(!program.form->comm().portOpen());
    }

    void commandLinesOfBothPrograms()
    {
        QProcess app;
        // Read before any window system starts: no display is needed to be told.
        QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            noDisplay.remove(QLatin1String(name));
        app.setProcessEnvironment(noDisplay);
        const QList<std::tuple<QStringList, int, const char*>> runs{
            {{"--help"}, 0, "/dev/ttyUSB0 .. /dev/ttyUSB31   COM33 .. COM64"},
            {{"--version"}, 0, "zeq4810pc " ZEQ_VERSION},
            {{"--port", "bad"}, 2, "zeq4810pc: --port bad: expected COMn=PATH"},
        };
        for (const auto& [arguments, code, says] : runs) {
            QElapsedTimer elapsed;
            elapsed.start();
            app.start(QStringLiteral(APP_PATH), arguments);
            QVERIFY(app.waitForFinished(2000));
            QVERIFY(elapsed.elapsed() < 2000);
            QCOMPARE(app.exitStatus(), QProcess::NormalExit);
            QCOMPARE(app.exitCode(), code);
            QVERIFY2((app.readAllStandardOutput() + app.readAllStandardError()).contains(says), says);
        }
        app.start(QStringLiteral(APP_PATH), {QStringLiteral("--port"), QStringLiteral("COM0=/dev/null")});
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 2);
        QVERIFY(app.readAllStandardError().contains("COM1 to COM100"));
        app.start(QStringLiteral(APP_PATH), {QStringLiteral("--port"), QStringLiteral("COM7")});
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 2);
        app.start(QStringLiteral(APP_PATH), {QStringLiteral("--version")});
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(app.readAllStandardOutput().contains(ZEQ_VERSION));

        QProcess sim;
        for (const QStringList& bad : {QStringList{"--period", "0"}, QStringList{"--count", "-1"}, QStringList{"--bogus"},
                                       QStringList{"--link", "/tmp/a", "--device", "/dev/ttyS0"}}) {
            sim.start(QStringLiteral(NODESIM_PATH), bad);
            QVERIFY(sim.waitForFinished(5000));
            QCOMPARE(sim.exitCode(), 2);
            QVERIFY(!sim.readAllStandardError().isEmpty());
        }
        sim.start(QStringLiteral(NODESIM_PATH), {QStringLiteral("--help")});
        QVERIFY(sim.waitForFinished(5000));
        const QByteArray help = sim.readAllStandardOutput();
        for (const char* option : {"--link", "--device", "--period", "--noise", "--drop-every", "--silence-after", "--vanish-after", "--count"})
            QVERIFY2(help.contains(option), option);
    }
};

QTEST_MAIN(NodeSimTest)
#include "test_nodesim.moc"
