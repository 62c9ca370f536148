// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigCommand.h"
#include "config/CommandConfirmation.h"
#include "config/ConfigSender.h"
#include "config/InputCheck.h"
#include "config/Settings.h"
#include "platform/posix/SerialControl.h"

#include "support/PseudoTerminal.h"

#include <QSignalSpy>
#include <QTest>

#include <map>
#include <string>

namespace {
// The configuration window's inputs by name, and the setting each takes.
const InputLimits& limitsOf(const char* control)
{
    static const std::map<std::string, Setting> settings{
        {"Text1", Setting::Node},           {"Text2", Setting::Mode},           {"Text3", Setting::Pwm},
        {"Text4", Setting::MaxSensor},      {"Text5", Setting::TemperatureLow}, {"Text6", Setting::TemperatureHigh},
        {"Text7", Setting::HumidityLow},    {"Text8", Setting::HumidityHigh},
    };
    const auto found = settings.find(control);
    if (found == settings.end())
        qFatal("no limits for %s", control);
    return inputLimits(found->second);
}

// Types a text one key at a time the way the window checks it: each change is checked
// and an emptied input goes on from empty.
QString typeKeys(const char* control, const QString& keys)
{
    QString text;
    for (QChar key : keys) {
        text += key;
        if (!inputStays(text, limitsOf(control)))
            text.clear();
    }
    return text;
}
} // namespace

class ConfigTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandBytes()
    {
        TxSequence sequence;
        QCOMPARE(buildConfigCommand({}, sequence.next()), QByteArray("@,,,,,,,,,,,,1,1,\r\n"));
        QCOMPARE(buildConfigCommand({}, 1).size(), 19);

        ConfigInputs in;
        in.sensorNumber = "5";
        in.maxSensor = "8";
        in.lowTemperature = "20";
        in.highTemperature = "30.5";
        in.lowHumidity = "40";
        in.highHumidity = "80";
        in.pwm = "128";
        in.mode = "2";
        in.hotCold = ConfigInputs::HotCold::HH;
        in.relay1 = ConfigInputs::Relay::On;
        in.relay2 = ConfigInputs::Relay::Off;
        const QByteArray second = buildConfigCommand(in, sequence.next());
        QCOMPARE(second, QByteArray("@,5,8,20,30.5,40,80,11,1,0,128,2,1,2,\r\n"));
        QCOMPARE(second.size(), 39);
    }

    void hotColdFieldIsOneDigitForTheLastTwoOptions()
    {
        ConfigInputs in;
        in.hotCold = ConfigInputs::HotCold::CH;
        QCOMPARE(buildConfigCommand(in, 3), QByteArray("@,,,,,,,1,,,,,1,3,\r\n"));
        in.hotCold = ConfigInputs::HotCold::CC;
        QCOMPARE(buildConfigCommand(in, 3), QByteArray("@,,,,,,,0,,,,,1,3,\r\n"));
        in.hotCold = ConfigInputs::HotCold::HC;
        QCOMPARE(buildConfigCommand(in, 3), QByteArray("@,,,,,,,10,,,,,1,3,\r\n"));
    }

    void signsAndPointsGoOutAsTyped()
    {
        ConfigInputs in;
        in.lowTemperature = "-5";
        in.highTemperature = "25.5";
        QCOMPARE(buildConfigCommand(in, 9), QByteArray("@,,,-5,25.5,,,,,,,,1,9,\r\n"));
    }

    void sequenceRunsOneToNinetyNineThenZero()
    {
        TxSequence sequence;
        QList<int> taken;
        for (int press = 1; press <= 101; ++press)
            taken.append(sequence.next());
        QCOMPARE(taken.at(0), 1);
        QCOMPARE(taken.at(98), 99);
        QCOMPARE(taken.at(99), 0);
        QCOMPARE(taken.at(100), 1);
    }

    void inputCheckFollowsTheLimits_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::newRow("1234 empties at the fourth") << "Text1" << "1234" << "";
        QTest::newRow("256 empties") << "Text1" << "256" << "";
        QTest::newRow("255 stays") << "Text1" << "255" << "255";
        QTest::newRow("Text2 3 stays") << "Text2" << "3" << "3";
        QTest::newRow("Text2 0 stays") << "Text2" << "0" << "0";
        QTest::newRow("Text2 4 empties") << "Text2" << "4" << "";
        QTest::newRow("Text2 10 empties") << "Text2" << "10" << "";
        QTest::newRow("Text4 64 stays") << "Text4" << "64" << "64";
        QTest::newRow("Text4 65 empties") << "Text4" << "65" << "";
        QTest::newRow("Text4 third character") << "Text4" << "123" << "";
        QTest::newRow("Text5 100 stays") << "Text5" << "100" << "100";
        QTest::newRow("Text5 101 empties") << "Text5" << "101" << "";
        QTest::newRow("Text5 -9.5 key by key") << "Text5" << "-9.5" << "-9.5";
        QTest::newRow("Text6 99.9 stays") << "Text6" << "99.9" << "99.9";
        QTest::newRow("Text7 .5") << "Text7" << ".5" << ".5";
        QTest::newRow("Text8 fifth character") << "Text8" << "99.95" << "";
        QTest::newRow("letter") << "Text3" << "1a" << "";
        QTest::newRow("second minus") << "Text5" << "--" << "";
        QTest::newRow("second point") << "Text5" << "1.." << "";
        QTest::newRow("point after emptying") << "Text5" << "1..5" << "5";
    }
    void inputCheckFollowsTheLimits()
    {
        QFETCH(QString, control);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QCOMPARE(typeKeys(control.toLatin1().constData(), keys), result);
    }

    // Every input's limits at their edges: the longest text and the highest value stay, one
    // character more or one above does not.
    void inputLimitsAtTheirEdges()
    {
        const std::initializer_list<std::tuple<const char*, const char*, bool>> rows{
            {"Text1", "255", true},  {"Text1", "256", false},  {"Text1", "000", true},  {"Text1", "0000", false},
            {"Text2", "3", true},    {"Text2", "4", false},    {"Text2", "0", true},    {"Text2", "00", false},
            {"Text3", "255", true},  {"Text3", "256", false},  {"Text3", "000", true},  {"Text3", "0000", false},
            {"Text4", "64", true},   {"Text4", "65", false},   {"Text4", "00", true},   {"Text4", "000", false},
            {"Text5", "100", true},  {"Text5", "101", false},  {"Text5", "99.9", true}, {"Text5", "99.99", false},
            {"Text6", "100", true},  {"Text6", "101", false},  {"Text6", "-9.9", true}, {"Text6", "-9.99", false},
            {"Text7", "100", true},  {"Text7", "101", false}, {"Text7", "0000", true}, {"Text7", "00000", false},
            {"Text8", "100", true},  {"Text8", "101", false},  {"Text8", "12.5", true}, {"Text8", "12.50", false},
        };
        for (const auto& [control, text, stays] : rows)
            QVERIFY2(inputStays(QLatin1String(text), limitsOf(control)) == stays, qPrintable(QStringLiteral("%1 %2").arg(control, text)));
    }

    void inputCheckOfWholeTexts()
    {
        const InputLimits& point = limitsOf("Text5");
        QVERIFY(inputStays(QStringLiteral("1.25"), point));
        QVERIFY(!inputStays(QStringLiteral("125"), point)); // the point deleted from 1.25
        QVERIFY(!inputStays(QStringLiteral("12345"), point)); // a pasted five characters
        for (const char* start : {"-", ".", "-.", "2.", ""})
            QVERIFY2(inputStays(QLatin1String(start), point), start);
        for (const char* bad : {"a", "1e2", "+5", " 5", "5-", "1,5", "--1", "1.2."})
            QVERIFY2(!inputStays(QLatin1String(bad), point), bad);
        QVERIFY(!inputStays(QString(10000, u'9'), limitsOf("Text1")));
    }

    // Whether the node took a command, from its next frames.
    // A field the frame lacks, or one that is not a number, never shows a number sent: a
    // missing field read as 0 would "confirm" a 0.
    void aMissingOrWordyFieldConfirmsNothing()
    {
        for (const auto& [field, sent, shows] : std::initializer_list<std::tuple<const char*, const char*, bool>>{
                 {"", "0", false}, {"x", "0", false}, {"--.-", "0", false}, {" ", "0", false},
                 {"0", "0", true}, {"0.0", "0", true}, {" 0", "0", true}, {"-0", "0", true}})
            QVERIFY2(CommandConfirmation::shows(QLatin1String(field), QLatin1String(sent)) == shows, field);
        ConfigInputs zero;
        zero.pwm = QStringLiteral("0");
        CommandConfirmation check;
        check.sent(1, zero, QTime(12, 0));
        for (int frame = 0; frame < 3; ++frame)
            check.frameAccepted({"1", "25.3", "60.2"}); // ends before the PWM field
        QCOMPARE(check.state(), CommandConfirmation::State::NotApplied);
        QCOMPARE(check.differences().constFirst().shown, QString());
    }

    void confirmationComparesWhatTheFramesShow()
    {
        using State = CommandConfirmation::State;
        ConfigInputs inputs;
        inputs.lowTemperature = QStringLiteral("20");
        inputs.mode = QStringLiteral("2");
        inputs.relay1 = ConfigInputs::Relay::On;
        inputs.hotCold = ConfigInputs::HotCold::CH;
        const auto frame = [](const char* low, const char* hotCold, const char* mode, const char* relay1) {
            return QStringList{"?ND=1", "25.3", "60.2", low, "30", "40", "80", hotCold, mode, "128", relay1, "0"};
        };
        CommandConfirmation check;
        QCOMPARE(check.text(true), QString());
        check.queued(2);
        QCOMPARE(check.text(true), QStringLiteral("Waiting for the node's next frame (2 queued)"));
        QCOMPARE(check.text(false), QStringLiteral("Waiting: the port is not open (2 queued)"));
        check.sent(7, inputs, QTime(15, 4, 5));
        QCOMPARE(check.text(true), QStringLiteral("Sent #7 at 15:04:05"));
        // Numbers compare as numbers ("20.0" is "20", "01" is "1"); empty inputs are not checked.
        check.frameAccepted(frame("20.0", "01", "2", "1"));
        QCOMPARE(check.state(), State::Applied);
        QCOMPARE(check.text(true), QStringLiteral("Sent #7 at 15:04:05: Applied"));

        // Partly applied: the check gives up after three frames and names what differs.
        check.sent(8, inputs, QTime(15, 4, 6));
        check.frameAccepted(frame("19.5", "1", "1", "1"));
        check.frameAccepted(frame("19.5", "1", "1", "1"));
        QCOMPARE(check.state(), State::Checking);
        check.frameAccepted(frame("19.5", "1", "1", "1"));
        QCOMPARE(check.state(), State::NotApplied);
        QCOMPARE(check.text(true), QStringLiteral("Sent #8 at 15:04:06: Not applied after 3 frames: Low temperature point "
                                                  "sent 20, node shows 19.5; Mode sent 2, node shows 1"));
        check.frameAccepted(frame("20", "1", "2", "1"));
        QCOMPARE(check.state(), State::NotApplied); // the verdict stands

        // A later command supersedes a check still running for an earlier one.
        check.sent(9, inputs, QTime(15, 4, 7));
        check.frameAccepted(frame("19.5", "1", "1", "1"));
        ConfigInputs modeOnly;
        modeOnly.mode = QStringLiteral("1");
        check.sent(10, modeOnly, QTime(15, 4, 8));
        check.frameAccepted(frame("19.5", "1", "1", "1"));
        QCOMPARE(check.state(), State::Applied);
        QCOMPARE(check.text(true), QStringLiteral("Sent #10 at 15:04:08: Applied"));
        check.queued(1);
        check.cancelled();
        QCOMPARE(check.text(true), QStringLiteral("Cancelled: nothing was sent"));
    }

    // Each setting alone: the check reads it from its own field of the frame and from no
    // other, so a frame that shows it in that field alone applies it.
    void eachSettingIsCheckedAgainstItsOwnField_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("name");
        QTest::newRow("low temperature") << 0 << 3 << "21.5" << "Low temperature point";
        QTest::newRow("high temperature") << 1 << 4 << "21.5" << "High temperature point";
        QTest::newRow("low humidity") << 2 << 5 << "21.5" << "Low humidity point";
        QTest::newRow("high humidity") << 3 << 6 << "21.5" << "High humidity point";
        QTest::newRow("HOT-COLD") << 4 << 7 << "11" << "HOT-COLD";
        QTest::newRow("mode") << 5 << 8 << "3" << "Mode";
        QTest::newRow("PWM") << 6 << 9 << "200" << "PWM";
        QTest::newRow("relay 1") << 7 << 10 << "1" << "Relay1";
        QTest::newRow("relay 2") << 8 << 11 << "1" << "Relay2";
    }
    void eachSettingIsCheckedAgainstItsOwnField()
    {
        QFETCH(int, setting);
        QFETCH(int, field);
        QFETCH(QString, shown);
        QFETCH(QString, name);
        ConfigInputs inputs;
        QString* const texts[] = {&inputs.lowTemperature, &inputs.highTemperature, &inputs.lowHumidity, &inputs.highHumidity};
        if (setting < 4)
            *texts[setting] = shown;
        else if (setting == 4)
            inputs.hotCold = ConfigInputs::HotCold::HH;
        else if (setting == 5)
            inputs.mode = shown;
        else if (setting == 6)
            inputs.pwm = shown;
        else
            (setting == 7 ? inputs.relay1 : inputs.relay2) = ConfigInputs::Relay::On;

        // Every other field shows the value; its own does not: not applied, naming it.
        QStringList others(16, shown);
        others[field] = QStringLiteral("0");
        CommandConfirmation check;
        check.sent(1, inputs, QTime(8, 0));
        for (int frame = 0; frame < 3; ++frame)
            check.frameAccepted(others);
        QCOMPARE(check.state(), CommandConfirmation::State::NotApplied);
        QCOMPARE(check.differences().size(), 1);
        QCOMPARE(check.differences().first().name, name);
        QCOMPARE(check.differences().first().shown, QStringLiteral("0"));
        // Its own field alone shows it: applied at the first frame.
        QStringList own(16, QStringLiteral("0"));
        own[field] = shown;
        check.sent(2, inputs, QTime(8, 0));
        check.frameAccepted(own);
        QCOMPARE(check.state(), CommandConfirmation::State::Applied);
    }

    void queueSendsInPressOrderWhenTheWindowOpens()
    {
        PseudoTerminal pty;
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        table.setMapping(1, pty.path());
        SerialControl comm(table);
        comm.setCommPort(1);
        bool windowOpen = false;
        ConfigSender sender(comm, [&] { return windowOpen; });
        QSignalSpy sent(&sender, &ConfigSender::commandsSent);

        // The port is closed and the window shut: the press waits.
        sender.submit({});
        QCOMPARE(sender.pending(), 1);
        QVERIFY(!comm.setPortOpen(true));
        ConfigInputs in;
        in.sensorNumber = "4";
        sender.submit(in);
        sender.submit({});
        QCOMPARE(sender.pending(), 3);
        QCOMPARE(sent.size(), 0);

        windowOpen = true;
        sender.flush();
        QCOMPARE(sender.pending(), 0);
        QCOMPARE(sent.size(), 1);
        const QByteArray expected = "@,,,,,,,,,,,,1,1,\r\n@,4,,,,,,,,,,,1,2,\r\n@,,,,,,,,,,,,1,3,\r\n";
        QByteArray received;
        QTRY_COMPARE((received += pty.readAvailable()), expected);

        // With the window open a press goes out at once.
        sender.submit({});
        QCOMPARE(sender.pending(), 0);
        QTRY_COMPARE((received += pty.readAvailable()), expected + "@,,,,,,,,,,,,1,4,\r\n");

        // On a closed port the characters are skipped, and the command is spent.
        QVERIFY(!comm.setPortOpen(false));
        sender.submit({});
        QCOMPARE(sender.pending(), 0);
        QCOMPARE(sender.txSequence(), 5);
    }
};

QTEST_GUILESS_MAIN(ConfigTest)
#include "test_config.moc"
