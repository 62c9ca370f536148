// SPDX-License-Identifier: GPL-3.0-or-later
#include "telemetry/FrameAssembler.h"
#include "telemetry/LampState.h"

#include "support/Frames.h"

#include <QTest>

using Outcome = FrameAssembler::Outcome;

class TelemetryTest : public QObject {
    Q_OBJECT

    // Feeds bytes and returns the outcome of each, in order.
    static QList<Outcome> feed(FrameAssembler& rx, const QByteArray& bytes)
    {
        QList<Outcome> outcomes;
        for (char c : bytes)
            outcomes.append(rx.receive(c));
        return outcomes;
    }
    static int firstProcessed(const QList<Outcome>& outcomes)
    {
        for (int i = 0; i < outcomes.size(); ++i)
            if (outcomes[i] != Outcome::None)
                return i;
        return -1;
    }

private Q_SLOTS:
    void frameIsProcessedAtSeventiethCharacterAndNotBefore()
    {
        FrameAssembler rx;
        const QByteArray frame = typicalFrame();
        const auto outcomes = feed(rx, frame.left(70));
        QCOMPARE(firstProcessed(outcomes), 69);
        QCOMPARE(outcomes.last(), Outcome::Accepted);
        QCOMPARE(rx.flagRxByte, 2);
        QCOMPARE(rx.rxFields.at(0), QStringLiteral("1"));
        QCOMPARE(rx.rxFields.at(1), QStringLiteral("25.3"));
        QCOMPARE(rx.rxFields.at(15), QStringLiteral("1"));
    }

    void charactersBeforeFirstStartAreNeverShown()
    {
        FrameAssembler rx;
        const auto outcomes = feed(rx, QByteArray(200, 'x'));
        QCOMPARE(firstProcessed(outcomes), -1);
        QCOMPARE(rx.rxCount(), 0);
        QCOMPARE(rx.rxStarted(), 0);
        feed(rx, typicalFrame());
        QCOMPARE(rx.rxFields.at(0), QStringLiteral("1"));
    }

    void startCharacterRestartsTheFrame()
    {
        FrameAssembler rx;
        // A "?" as the 40th character throws the 39 before it away.
        QByteArray stream = QByteArray("?A=9,11.1,22.2,") + QByteArray(24, 'z');
        QCOMPARE(stream.size(), 39);
        const QByteArray frame = typicalFrame();
        stream += frame;
        const auto outcomes = feed(rx, stream);
        QCOMPARE(firstProcessed(outcomes), 39 + 69);
        QCOMPARE(rx.rxFields.at(1), QStringLiteral("25.3"));

        // A 60-character frame followed at once by a full one: only the second is shown.
        FrameAssembler rx2;
        const auto outcomes2 = feed(rx2, statusFrame("7", {"1.0"}).left(60) + frame);
        QCOMPARE(firstProcessed(outcomes2), 60 + 69);
        QCOMPARE(rx2.rxFields.at(0), QStringLiteral("1"));
    }

    void seventhCharacterRuleDropsTheFrame_data()
    {
        QTest::addColumn<char>("seventh");
        QTest::newRow("comma") << ',';
        QTest::newRow("space") << ' ';
    }
    void seventhCharacterRuleDropsTheFrame()
    {
        QFETCH(char, seventh);
        FrameAssembler rx;
        feed(rx, typicalFrame());
        rx.closeSendWindow();
        QByteArray bad = statusFrame("5", {"99.9", "11.1"});
        bad[6] = seventh;
        const auto outcomes = feed(rx, bad.left(70));
        QCOMPARE(outcomes.last(), Outcome::Dropped);
        QCOMPARE(rx.flagRxByte, 2);
        QCOMPARE(rx.rxFields.at(1), QStringLiteral("25.3")); // the last accepted frame's
    }

    void nodeNumberComesFromBetweenTheEquals_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("node");
        QTest::newRow("one equals") << QByteArray("?NODE=12") << QStringLiteral("12");
        QTest::newRow("two equals") << QByteArray("?ND=3=X") << QStringLiteral("3");
        QTest::newRow("no equals") << QByteArray("?NODE4X") << QStringLiteral("?NODE4X");
        QTest::newRow("empty after") << QByteArray("?NODEX=") << QString();
    }
    void nodeNumberComesFromBetweenTheEquals()
    {
        QFETCH(QByteArray, head);
        QFETCH(QString, node);
        FrameAssembler rx;
        QByteArray frame = head + ",25.0,50.0,";
        frame.append(70 - frame.size(), '1');
        QCOMPARE(feed(rx, frame).last(), Outcome::Accepted);
        QCOMPARE(rx.rxFields.at(0), node);
    }

    void textAfterTheSeventiethCharacterIsCut()
    {
        FrameAssembler rx;
        // The 70th character falls inside field 15, which is cut there.
        QByteArray frame = "?ND=1,2,3,4,5,6,7,8,9,10,11,12,13,14,";
        frame.append(69 - frame.size(), 'A');
        frame += "BCDEF,more";
        feed(rx, frame);
        QCOMPARE(rx.rxFields.size(), 15);
        QVERIFY(rx.rxFields.last().endsWith(u'B'));
        QVERIFY(!rx.rxFields.last().contains(u'C'));
    }

    void bufferIsProcessedAgainEverySeventyOneCharacters()
    {
        FrameAssembler rx;
        const auto outcomes = feed(rx, typicalFrame().left(70) + QByteArray(300, 'x'));
        QList<int> processedAt;
        for (int i = 0; i < outcomes.size(); ++i)
            if (outcomes[i] != Outcome::None)
                processedAt.append(i + 1);
        QCOMPARE(processedAt, (QList<int>{70, 141, 212, 283, 354}));
        // Each time the grown buffer, still beginning with the old frame, is split again.
        QCOMPARE(rx.rxFields.at(1), QStringLiteral("25.3"));
    }

    void bufferIsBoundedButCountingGoesOn()
    {
        FrameAssembler rx;
        feed(rx, "?" + QByteArray(100000, 'x'));
        QCOMPARE(rx.rxBuffer().size(), FrameAssembler::kBufferLimit);
        // 100001 events after "?": processing happened at every 71 past 70 as before.
        QVERIFY(rx.rxCount() <= 71);
        // A "?" still restarts at once, and the next frame is whole.
        feed(rx, typicalFrame());
        QCOMPARE(rx.rxBuffer().first(4).toByteArray(), QByteArray("?ND="));
        QCOMPARE(rx.rxFields.at(2), QStringLiteral("60.2"));
    }

    void nonReceiveEventsOnlyResetAnOverrunCount()
    {
        FrameAssembler rx;
        feed(rx, typicalFrame().left(71));
        QCOMPARE(rx.rxCount(), 71);
        QCOMPARE(rx.handleEvent(1, 'x'), Outcome::None);
        QCOMPARE(rx.rxCount(), 0);
        QCOMPARE(rx.rxBuffer().size(), 71);
    }

    void silenceTicksResetAtSixAndWrapAt254()
    {
        FrameAssembler rx;
        feed(rx, typicalFrame());
        QList<int> resets;
        for (int tick = 1; tick <= 300; ++tick)
            if (rx.silenceTick())
                resets.append(tick);
        QCOMPARE(resets, (QList<int>{6, 261}));
        // Any received character restarts the count.
        for (int i = 0; i < 5; ++i)
            rx.silenceTick();
        rx.receive('x');
        QCOMPARE(rx.idleTicks(), 0);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!rx.silenceTick());
        QVERIFY(rx.silenceTick());
    }

    void lampsAreOnForOneAndForAFailedTest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << QStringLiteral("1") << true;
        QTest::newRow("01") << QStringLiteral("01") << true;
        QTest::newRow("1.0") << QStringLiteral("1.0") << true;
        QTest::newRow("0") << QStringLiteral("0") << false;
        QTest::newRow("2") << QStringLiteral("2") << false;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("letters") << QStringLiteral("on") << true;
        QTest::newRow("CR LF after 1") << QStringLiteral("1\r\n") << true;
    }
    void lampsAreOnForOneAndForAFailedTest()
    {
        QFETCH(QString, text);
        QFETCH(bool, on);
        QStringList fields(16, QStringLiteral("0"));
        fields[10] = text;
        QCOMPARE(lampIsOn(fields, 10), on);
    }

    void twelveFieldFrameLeavesLaterLampsOn()
    {
        FrameAssembler rx;
        QByteArray frame = "?ND=2,21.5,55.5,1,2,3,4,11,1,200,0,0";
        frame.append(70 - frame.size(), '0');
        QCOMPARE(feed(rx, frame).last(), Outcome::Accepted);
        QCOMPARE(rx.rxFields.size(), 12);
        QVERIFY(!lampIsOn(rx.rxFields, 10));
        QVERIFY(lampIsOn(rx.rxFields, 12));
        QVERIFY(lampIsOn(rx.rxFields, 13));
        QVERIFY(lampIsOn(rx.rxFields, 15));
    }
};

QTEST_APPLESS_MAIN(TelemetryTest)
#include "test_telemetry.moc"
