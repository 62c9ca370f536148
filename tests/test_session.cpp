// SPDX-License-Identifier: GPL-3.0-or-later
#include "logger/LineLogger.h"
#include "session/LineCounts.h"
#include "session/LineSession.h"
#include "session/NodeCensus.h"
#include "ui/Form1.h"
#include "ui/FrmSet.h"
#include "ui/Theme.h"

#include "support/FakeCommControl.h"
#include "support/Frames.h"
#include "support/PseudoTerminal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What one path made of a stream: the fields of each accepted frame, and the drops.
struct Frames {
    QList<QStringList> accepted;
    quint64 dropped = 0;
    bool operator==(const Frames&) const = default;
};

void record(LineSession& session, Frames& into)
{
    QObject::connect(&session, &LineSession::frameAccepted, &session,
                     [&into](const QStringList& fields, qint64) { into.accepted.append(fields); });
}

// A stream with every kind of frame: noise before the first "?", a whole frame, one
// dropped for its 7th character, one cut short by the next "?", a long one whose text past
// the 70th character is not read, then no "?" for more than 71 characters.
QByteArray mixedStream()
{
    return "noise" + typicalFrame() + "?ND=1,,2" + QByteArray(62, '0') + "?ND=3,4" +
           statusFrame("2", {"21.0", "55.5", "1", "2", "3", "4", "11", "1", "200", "0", "1", "0", "1", "7", "0", "extra", "more"}) +
           QByteArray(150, 'x') + typicalFrame();
}

} // namespace

class SessionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installClassicLook(); }

    // The window and the logger read runs; wherever a read splits the stream, both make the
    // frames that one character at a time makes.
    void bothProgramsMakeTheSameFramesWhereverAReadEnds()
    {
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        auto* windowComm = new FakeCommControl;
        Form1 window(table, std::unique_ptr<CommControl>(windowComm));
        LineLogger logger(table, {}, window.session().clock());
        Frames fromWindow;
        Frames fromLogger;
        record(window.session(), fromWindow);
        record(logger.session(), fromLogger);
        FrameAssembler reference;
        const QByteArray stream = mixedStream();
        for (qsizetype split = 0; split <= stream.size(); ++split) {
            Frames expected;
            for (char c : stream) {
                if (reference.receive(c) == FrameAssembler::Outcome::Accepted)
                    expected.accepted.append(reference.rxFields);
            }
            expected.dropped = reference.framesDropped;
            fromWindow.accepted.clear();
            fromLogger.accepted.clear();
            for (CommControl* comm : {static_cast<CommControl*>(windowComm), &logger.session().comm()}) {
                Q_EMIT comm->received(stream.first(split));
                Q_EMIT comm->received(stream.sliced(split));
            }
            fromWindow.dropped = window.reception().framesDropped;
            fromLogger.dropped = logger.session().reception().framesDropped;
            QCOMPARE(fromWindow, expected);
            QCOMPARE(fromLogger, expected);
        }
        QCOMPARE(fromWindow.accepted.size(), 5); // typical, cut short, long, overrun, typical
        QCOMPARE(window.reception().framesDropped, quint64(stream.size() + 1));
    }

    // The shown texts: a frame's own, the earlier text for a field a shorter frame lacks,
    // and after six silent ticks the idle texts, which the log records.
    void shownTextsFollowFramesAndSilence()
    {
        auto* comm = new FakeCommControl;
        LineSession session{std::unique_ptr<CommControl>(comm)};
        const QList<std::pair<FrameField::Index, const char*>> idle{
            {FrameField::Node, "0"},    {FrameField::Temperature, "00.0"}, {FrameField::Humidity, "00.0"},
            {FrameField::LowTemperature, "0"}, {FrameField::HighTemperature, "0"}, {FrameField::LowHumidity, "0"},
            {FrameField::HighHumidity, "0"},   {FrameField::HotCold, "0"},         {FrameField::Mode, "0"},
            {FrameField::Pwm, "0"},            {FrameField::Adc, "0"},
        };
        QCOMPARE(session.shown(FrameField::LowTemperature), QStringLiteral("00.0"));
        QCOMPARE(session.shown(FrameField::HotCold), QStringLiteral("00"));
        Q_EMIT comm->received(typicalFrame());
        QCOMPARE(session.shown(FrameField::Adc), QStringLiteral("512"));
        QVERIFY(session.hasFreshFrame());
        // Twelve fields: ADC (index 14) is not in it and keeps the earlier text.
        Q_EMIT comm->received(statusFrame("4", {"19.9", "50.0", "1", "2", "3", "4", "11", "1", "9", "0"}, ' '));
        QCOMPARE(session.reception().rxFields.size(), 12);
        QCOMPARE(session.shown(FrameField::Node), QStringLiteral("4"));
        QCOMPARE(session.shown(FrameField::Pwm), QStringLiteral("9"));
        QCOMPARE(session.shown(FrameField::Adc), QStringLiteral("512"));
        for (int tick = 0; tick < 5; ++tick)
            session.silenceTick();
        QCOMPARE(session.shown(FrameField::Temperature), QStringLiteral("19.9"));
        session.silenceTick();
        QVERIFY(!session.hasFreshFrame());
        for (const auto& [field, text] : idle)
            QCOMPARE(session.shown(field), QLatin1String(text));
    }

    // A command the port would not take is said so, in red, with the reason; never "Sent".
    void aCommandThatCannotBeWrittenSaysSo_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("reason");
        QTest::newRow("write fails") << true << "Input/output error";
        QTest::newRow("port closed") << false << "the port is not open";
    }
    void aCommandThatCannotBeWrittenSaysSo()
    {
        QFETCH(bool, open);
        QFETCH(QString, reason);
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        auto* comm = new FakeCommControl;
        comm->open = open;
        comm->writeFailure = QStringLiteral("Input/output error");
        Form1 window(table, std::unique_ptr<CommControl>(comm));
        window.showSetForm();
        FrmSet* set = window.configWindow();
        set->findChild<QLineEdit*>("Text5")->setText(QStringLiteral("21"));
        set->findChild<QPushButton*>("Command1")->click();
        Q_EMIT comm->received(typicalFrame());
        QLabel* status = set->findChild<QLabel*>("lblCommandStatus");
        QVERIFY2(status->toolTip().startsWith(QStringLiteral("Not sent #1 at ")), qPrintable(status->toolTip()));
        QVERIFY2(status->toolTip().endsWith(QStringLiteral(": ") + reason), qPrintable(status->toolTip()));
        QCOMPARE(status->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
        QCOMPARE(comm->written, QByteArray());
        // The window is cleared all the same, as after any send.
        QCOMPARE(set->findChild<QLineEdit*>("Text5")->text(), QString());
    }

    // Only a frame that names its node by number is the node's: one whose node field is
    // not a number is shown, but not published, trended, or taken as the node's answer.
    void aNodesFrameNamesItsNodeByNumber()
    {
        auto* comm = new FakeCommControl;
        LineSession session{std::unique_ptr<CommControl>(comm)};
        comm->open = true;
        int nodeFrames = 0;
        connect(&session, &LineSession::nodeFrame, this, [&nodeFrames] { ++nodeFrames; });
        session.OnComm(typicalFrame());
        ConfigInputs pwm;
        pwm.pwm = QStringLiteral("200");
        session.sender().submit(pwm); // the send window is open: out at once
        QCOMPARE(session.sender().confirmation().state(), CommandConfirmation::State::Checking);
        for (int frame = 0; frame < 3; ++frame)
            session.OnComm(statusFrame("x", {"25.3", "60.2", "20.0", "30.0", "40.0", "80.0", "10", "2", "128", "1", "0", "1", "0", "512", "1"}));
        QCOMPARE(nodeFrames, 1);
        QCOMPARE(session.framesNotFromNode(), quint64(3));
        QCOMPARE(session.sender().confirmation().state(), CommandConfirmation::State::Checking);
        QCOMPARE(session.shown(FrameField::Node), QStringLiteral("x")); // the window still shows it
    }

    // A number is a node after three frames within six seconds, not before; numbers heard
    // once are kept only so many, the stalest going.
    void nodeIsRealAfterThreeFramesWithinSixSeconds()
    {
        NodeCensus census;
        QVERIFY(!census.heard(QStringLiteral("1"), 0));
        QVERIFY(!census.heard(QStringLiteral("1"), 3000));
        QVERIFY(census.heard(QStringLiteral("1"), 6000)); // exactly six seconds
        QVERIFY(census.heard(QStringLiteral("1"), 60'000)); // real for good
        QVERIFY(!census.heard(QStringLiteral("2"), 0));
        QVERIFY(!census.heard(QStringLiteral("2"), 3000));
        QVERIFY(!census.heard(QStringLiteral("2"), 6001)); // one past
        QVERIFY(census.heard(QStringLiteral("2"), 6500)); // 3000, 6001, 6500
        QVERIFY(!census.isReal(QStringLiteral("3")));
        QVERIFY(!census.heard(QStringLiteral("3"), 100));
        QVERIFY(!census.heard(QStringLiteral("3"), 200));
        for (int corrupted = 0; corrupted < 64; ++corrupted)
            QVERIFY(!census.heard(QStringLiteral("x%1").arg(corrupted), 1000 + corrupted));
        QVERIFY(!census.heard(QStringLiteral("3"), 300)); // its frames were the stalest: dropped, counted anew
        QVERIFY(!census.heard(QStringLiteral("3"), 400));
        QVERIFY(census.heard(QStringLiteral("3"), 500));
        QCOMPARE(census.nodes(), (QStringList{"1", "2", "3"}));
    }

    // The session's census decides a frame's node: the current node is that of the latest
    // frame of a real node, and a corrupted number heard once leaves it as it was.
    void theSessionsCensusNamesTheCurrentNode()
    {
        auto* comm = new FakeCommControl;
        LineSession session{std::unique_ptr<CommControl>(comm)};
        comm->open = true;
        QStringList realFrames;
        connect(&session, &LineSession::realNodeFrame, this,
                [&realFrames](const QString& node, const QStringList& fields) { realFrames.append(node + u' ' + fields.value(1)); });
        for (int frame = 0; frame < 2; ++frame)
            session.OnComm(typicalFrame());
        QVERIFY(realFrames.isEmpty());
        QVERIFY(session.census().currentNode().isEmpty());
        session.OnComm(typicalFrame());
        QCOMPARE(realFrames, QStringList{"1 25.3"});
        session.OnComm(statusFrame("7", {"19.5", "40.0"}));
        QCOMPARE(realFrames.size(), 1);
        QCOMPARE(session.census().currentNode(), QStringLiteral("1"));
        QCOMPARE(session.census().currentFields().value(1), QStringLiteral("25.3"));
        session.OnComm(typicalFrame());
        QCOMPARE(realFrames.size(), 2);
        QCOMPARE(session.census().nodes(), QStringList{"1"});
    }

    // The line's counters as each reader shows them, with and without frames no node sent.
    void lineCountsReadTheSameEverywhere_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<quint64>("notFromNode");
        QTest::addColumn<QString>("text");
        QTest::newRow("tooltip") << int(CountsStyle::Lines) << quint64(0) << "Frames accepted 9, dropped 1\nCharacters received 640";
        QTest::newRow("tooltip, not from a node") << int(CountsStyle::Lines) << quint64(2)
                                                  << "Frames accepted 9 (2 not from a node), dropped 1\nCharacters received 640";
        QTest::newRow("status line") << int(CountsStyle::StatusLine) << quint64(2) << "Frames accepted 9, dropped 1 · characters received 640";
        QTest::newRow("journal") << int(CountsStyle::Journal) << quint64(0)
                                 << "frames accepted 9, dropped 1, 0 not from a node; characters received 640";
    }
    void lineCountsReadTheSameEverywhere()
    {
        QFETCH(int, style);
        QFETCH(quint64, notFromNode);
        QFETCH(QString, text);
        QCOMPARE(lineCountsText({9, 1, notFromNode, 640}, static_cast<CountsStyle>(style)), text);
    }

    // A device that went away and came back: no frame from before it went counts as fresh.
    void framesFromBeforeALostDeviceAreNotFresh()
    {
        auto first = std::make_unique<PseudoTerminal>();
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        table.setMapping(1, first->path());
        QTemporaryDir dir;
        SystemClock clock;
        LineLogger logger(table, {1, {}, std::chrono::seconds(1), dir.filePath(QStringLiteral("data.txt"))}, clock);
        logger.start();
        QVERIFY(first->write(typicalFrame()));
        QTRY_VERIFY(logger.session().hasFreshFrame());
        first->closeMaster();
        QTRY_VERIFY(!logger.session().comm().portOpen());
        PseudoTerminal second;
        table.setMapping(1, second.path());
        logger.watchTick();
        QVERIFY(logger.session().comm().portOpen());
        QVERIFY(!logger.session().hasFreshFrame());
        QVERIFY(second.write(typicalFrame()));
        QTRY_VERIFY(logger.session().hasFreshFrame());
    }
};

QTEST_MAIN(SessionTest)
#include "test_session.moc"
