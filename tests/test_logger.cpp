// SPDX-License-Identifier: GPL-3.0-or-later
// The headless logger: its command line, the MQTT payload and pacing, and the program
// itself against the simulator on a pseudo-terminal and a real Mosquitto broker.

#include "config/InputCheck.h"
#include "logger/LineLogger.h"
#include "logger/LoggerOptions.h"
#include "publish/Discovery.h"
#include "publish/MqttClient.h"
#include "publish/PublishLimiter.h"
#include "publish/StatePayload.h"
#include "publish/StatePublisher.h"
#include "remote/RemoteCommands.h"
#include "remote/RepeatedReport.h"
#include "support/Broker.h"
#include "support/FakeCommControl.h"
#include "support/Frames.h"
#include "support/PseudoTerminal.h"
#include "telemetry/FrameAssembler.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

struct Simulator {
    QTemporaryDir dir;
    QProcess process;
    QString link() const { return dir.filePath(QStringLiteral("node")); }
    bool start(const QStringList& more = {})
    {
        process.start(QStringLiteral(NODESIM_PATH), QStringList{QStringLiteral("--period"), QStringLiteral("100"), QStringLiteral("--link"), link()} + more);
        return process.waitForStarted() && QTest::qWaitFor([this] { return QFile::exists(link()); }, 3000);
    }
    void stop()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
    ~Simulator() { stop(); }
};

bool mosquittoMissing()
{
    for (const char* tool : {"mosquitto", "mosquitto_sub", "mosquitto_pub"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return true;
    }
    return false;
}

// The tests of the program as a service skip, saying why, where Mosquitto is missing.
#define SKIP_WITHOUT_MOSQUITTO()                                                                   \
    do {                                                                                           \
        if (mosquittoMissing())                                                                    \
            QSKIP("mosquitto and its clients are needed (scripts/install-deps --test)");           \
    } while (false)

// The logger as a service runs: a broker of its own, a working folder for the records, and
// the logger as a process on a line under the prefix "site".
struct ServiceRig {
    Broker broker;
    QTemporaryDir work;
    QProcess logger;

    QString brokerUrl() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port); }
    QString logPath(const QString& name = QStringLiteral("data.txt")) const { return work.filePath(name); }
    // The arguments for the line at `device` as COM1, its records in `log`, publishing to
    // the broker under `prefix`; then `more`.
    QStringList arguments(const QString& device, const QStringList& more = {}, const QString& log = QStringLiteral("data.txt"),
                          const QString& prefix = QStringLiteral("site")) const
    {
        return QStringList{"--port", "COM1=" + device, "--log", logPath(log), "--mqtt", brokerUrl(), "--topic", prefix} + more;
    }
    static bool start(QProcess& process, const QStringList& arguments)
    {
        process.start(QStringLiteral(LOGGER_PATH), arguments);
        return process.waitForStarted();
    }
    bool start(const QStringList& arguments) { return start(logger, arguments); }
};

// The seconds of the records' times, in file order.
QList<int> recordSeconds(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QList<int> seconds;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.size() > 22)
            seconds.append(QTime::fromString(QString::fromLatin1(line.mid(14, 8)), QStringLiteral("HH:mm:ss")).msecsSinceStartOfDay() / 1000);
    }
    return seconds;
}

} // namespace

class LoggerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: runs
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, QStringList arguments, int exitCode, QString lineName = {}, QString line = {}) {
            QTest::newRow(name) << arguments << exitCode << lineName << line;
        };
        row("mapped port", {"--port", "COM3=/tmp/x"}, -1, "COM3 (/tmp/x)", "COM3");
        row("fixed table", {"--port", "com33"}, -1, "COM33", "COM33");
        row("device path", {"--device", "/dev/ttyUSB0"}, -1, "/dev/ttyUSB0", "ttyUSB0");
        row("device name", {"--device", "ttyUSB1"}, -1, "/dev/ttyUSB1", "ttyUSB1");
        row("systemd path", {"--device", "dev/serial/by-id/usb-A+B"}, -1, "/dev/serial/by-id/usb-A+B", "usb-A_B");
        row("device as COM", {"--device", "COM2"}, -1, "COM2", "COM2");
        row("named line", {"--device", "/dev/ttyUSB0", "--line", "hall-a"}, -1, "/dev/ttyUSB0", "hall-a");
        row("line of 64", {"--device", "/a", "--line", QString(64, u'x')}, -1, "/a", QString(64, u'x'));
        row("line of 65", {"--device", "/a", "--line", QString(65, u'x')}, 2);
        for (const char* bad : {"a/b", "a+", "#", "a b", "", "$SYS"})
            row(qPrintable(QStringLiteral("line \"%1\"").arg(QLatin1String(bad))), {"--device", "/a", "--line", QLatin1String(bad)}, 2);
        row("help", {"--help"}, 0);
        row("no line", {}, 2);
        row("both lines", {"--port", "COM1=/a", "--device", "/b"}, 2);
        row("bad port", {"--port", "COM0=/a"}, 2);
        row("bad interval", {"--device", "/a", "--interval", "10s"}, 2);
        row("unknown option", {"--device", "/a", "--speed", "9600"}, 2);
        row("stray argument", {"--device", "/a", "extra"}, 2);
        row("password in URL", {"--device", "/a", "--mqtt", "mqtt://u:p@host"}, 2);
        row("not mqtt", {"--device", "/a", "--mqtt", "http://host"}, 2);
        row("user without broker", {"--device", "/a", "--mqtt-user", "u"}, 2);
        row("missing password file", {"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-user", "u", "--mqtt-password-file", "/nonexistent"}, 2);
        row("wildcard prefix", {"--device", "/a", "--topic", "a/#"}, 2);
        row("commands", {"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-commands", "temperature_low, mode"}, -1, "/a");
        row("commands without broker", {"--device", "/a", "--mqtt-commands", "mode"}, 2);
        row("node number command", {"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-commands", "mode,node"}, 2);
        row("unknown command", {"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-commands", "temperature"}, 2);
        row("no command", {"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-commands", ","}, 2);
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, lineName);
        QFETCH(QString, line);
        const auto result = readLoggerOptions(QStringList{QStringLiteral("zeq4810-logger")} + arguments);
        if (exitCode >= 0) {
            QVERIFY(std::holds_alternative<LoggerExit>(result));
            QCOMPARE(std::get<LoggerExit>(result).code, exitCode);
            if (exitCode == 2) // one line for the journal
                QVERIFY(!std::get<LoggerExit>(result).text.isEmpty() && !std::get<LoggerExit>(result).text.contains(u'\n'));
            return;
        }
        QVERIFY(std::holds_alternative<LoggerOptions>(result));
        const auto& options = std::get<LoggerOptions>(result);
        QCOMPARE(options.lineName, lineName);
        if (!line.isEmpty())
            QCOMPARE(options.line, line);
        QCOMPARE(options.interval, 30s);
        QCOMPARE(options.logPath, QStringLiteral("data.txt"));
        QCOMPARE(options.topicPrefix, QStringLiteral("zeq4810"));
    }

    // A remote value is taken by the configuration window's own rule; a low point is
    // checked against the high point it will meet.
    void remoteValuesAreCheckedStrictly()
    {
        using S = RemoteSetting;
        // One rule for a number, whether typed into the configuration window and sent or
        // written over MQTT: each limit at its edge and one past. The remote path refuses
        // besides, as documented, a humidity below 0 and a PWM, mode or max sensor that is
        // not a whole number (the window lets the node decide those).
        struct Row {
            S setting;
            const char* control;
            QByteArray text;
            bool window;
            bool remote;
        };
        const std::initializer_list<Row> rows{
            {S::TemperatureLow, "Text5", "100", true, true},    {S::TemperatureLow, "Text5", "101", false, false},
            {S::TemperatureLow, "Text5", "99.9", true, true},   {S::TemperatureLow, "Text5", "100.0", false, false},
            {S::TemperatureLow, "Text5", "-999", true, true},   {S::TemperatureLow, "Text5", "-18", true, true},
            {S::TemperatureLow, "Text5", "-", false, false},    {S::TemperatureLow, "Text5", ".", false, false},
            {S::TemperatureLow, "Text5", "-.", false, false},   {S::TemperatureLow, "Text5", "2.", false, false},
            {S::TemperatureLow, "Text5", ".5", true, true},     {S::TemperatureLow, "Text5", "1e2", false, false},
            {S::TemperatureLow, "Text5", " 22", false, false},  {S::TemperatureHigh, "Text6", "0022.0", false, false},
            {S::HumidityLow, "Text7", "0", true, true},         {S::HumidityLow, "Text7", "-0", true, true},
            {S::HumidityHigh, "Text8", "-5", true, false},      {S::HumidityHigh, "Text8", "100", true, true},
            {S::Pwm, "Text3", "255", true, true},               {S::Pwm, "Text3", "256", false, false},
            {S::Pwm, "Text3", "2550", false, false},            {S::Pwm, "Text3", "-1", true, false},
            {S::Pwm, "Text3", "1.5", true, false},              {S::Mode, "Text2", "3", true, true},
            {S::Mode, "Text2", "4", false, false},              {S::Mode, "Text2", "03", false, false},
            {S::MaxSensor, "Text4", "64", true, true},          {S::MaxSensor, "Text4", "65", false, false},
            {S::MaxSensor, "Text4", "100", false, false},
        };
        for (const Row& row : rows) {
            const InputLimits& limits = inputLimits(row.setting);
            const QString text = QString::fromLatin1(row.text);
            QVERIFY2((inputStays(text, limits) && !valueRefusal(text, limits)) == row.window, row.text.constData());
            const RemoteValue value = remoteValue(row.setting, row.text);
            QVERIFY2(value.refusal.isEmpty() == row.remote, row.text.constData());
            QCOMPARE(value.value, row.remote ? text : QString()); // as written
        }
        const std::initializer_list<std::tuple<S, QByteArray, const char*>> others{
            {S::HotCold, "HC", "HC"}, {S::HotCold, "hc", ""}, {S::Relay1, "ON", "ON"},  {S::Relay2, "0", "OFF"},
            {S::Relay2, "on", ""},    {S::TemperatureLow, "", ""}, {S::TemperatureHigh, "21" + QByteArray(1 << 20, ' '), ""},
        };
        for (const auto& [setting, payload, wire] : others) {
            const RemoteValue value = remoteValue(setting, payload);
            QCOMPARE(value.value, QLatin1String(wire));
            QVERIFY2(value.refusal.isEmpty() == (*wire != 0), payload.left(8).constData());
        }
        QCOMPARE(parseSetTopic(QStringLiteral("site/a"), QStringLiteral("site/a/7/set/mode"))->nodeLevel, QStringLiteral("7"));
        for (const char* topic : {"site/a/7/set", "site/a/7/get/mode", "site/ab/7/set/mode", "site/a//set/mode", "site/a/7/set/mode/x"})
            QVERIFY2(!parseSetTopic(QStringLiteral("site/a"), QLatin1String(topic)), topic);
        ConfigInputs inputs;
        inputs.lowTemperature = QStringLiteral("30");
        const QStringList frame{"1", "25.0", "50.0", "20", "30", "40", "80"};
        QVERIFY(!lowAboveHigh(inputs, frame)); // equal is fine
        inputs.lowTemperature = QStringLiteral("30.1");
        QCOMPARE(lowAboveHigh(inputs, frame), QStringLiteral("temperature_low 30.1 would be above temperature_high 30"));
        inputs.highHumidity = QStringLiteral("39");
        inputs.lowTemperature.clear();
        QCOMPARE(lowAboveHigh(inputs, frame), QStringLiteral("humidity_low 40 would be above humidity_high 39"));
    }

    // Writable settings become controls of the node's device; the rest stays read-only.
    void discoveryOffersControlsForWritableSettings()
    {
        const DiscoveryTopics topics{QStringLiteral("homeassistant"), QStringLiteral("site"), QStringLiteral("COM1"), QStringLiteral("COM1")};
        QCOMPARE(nodeDiscovery(topics, QStringLiteral("1"), QStringLiteral("1")).size(), 15);
        const QList<DiscoveryMessage> messages = nodeDiscovery(topics, QStringLiteral("1"), QStringLiteral("1"), {"temperature_low", "hot_cold"});
        QCOMPARE(messages.size(), 17);
        const QJsonObject number = QJsonDocument::fromJson(messages.at(15).payload).object();
        QCOMPARE(messages.at(15).topic, QStringLiteral("homeassistant/number/site_COM1_1/temperature_low_set/config"));
        QCOMPARE(number.value("command_topic").toString(), QStringLiteral("site/COM1/1/set/temperature_low"));
        QCOMPARE(number.value("state_topic").toString(), QStringLiteral("site/COM1/1/state"));
        QCOMPARE(number.value("entity_category").toString(), QStringLiteral("config"));
        QCOMPARE(number.value("unit_of_measurement").toString(), QStringLiteral("°C"));
        QCOMPARE(number.value("mode").toString(), QStringLiteral("box"));
        QCOMPARE(number.value("min").toDouble(), 0.0);
        QCOMPARE(number.value("max").toDouble(), 100.0);
        QCOMPARE(number.value("step").toDouble(), 0.1);
        // Every entity its own id, a control apart from the sensor it sets; a binary sensor
        // is on for what the state carries for on.
        QSet<QString> ids;
        for (const DiscoveryMessage& message : nodeDiscovery(topics, QStringLiteral("1"), QStringLiteral("1"),
                                                             {"temperature_low", "temperature_high", "humidity_low", "humidity_high", "pwm",
                                                              "mode", "hot_cold", "relay1", "relay2", "max_sensor"})) {
            const QJsonObject config = QJsonDocument::fromJson(message.payload).object();
            QVERIFY2(!ids.contains(config.value("unique_id").toString()), qPrintable(config.value("unique_id").toString()));
            ids.insert(config.value("unique_id").toString());
            if (message.topic.contains(QLatin1String("/binary_sensor/")))
                QCOMPARE(config.value("payload_on").toString(), QStringLiteral("1"));
        }
        QCOMPARE(ids.size(), 25);
        const QJsonObject on = QJsonDocument::fromJson(statePayload(QStringList{"1", "25", "60", "20", "30", "40", "80", "10", "1", "128", "1"}, 0)).object();
        QCOMPARE(on.value("relay1").toVariant().toString(), QStringLiteral("1")); // what the template renders
        const QJsonObject select = QJsonDocument::fromJson(messages.at(16).payload).object();
        QCOMPARE(messages.at(16).topic, QStringLiteral("homeassistant/select/site_COM1_1/hot_cold_set/config"));
        QCOMPARE(select.value("options").toArray(), (QJsonArray{"HH", "HC", "CH", "CC"}));
        QCOMPARE(select.value("command_topic").toString(), QStringLiteral("site/COM1/1/set/hot_cold"));
    }

    // A flood says its first line, then one line per period with the count of the rest.
    void repeatedReportsAreSaidOncePerPeriod()
    {
        RepeatedReport limiter(300ms);
        QStringList said;
        connect(&limiter, &RepeatedReport::report, this, [&](const QString& text) { said.append(text); });
        for (int i = 0; i < 1000; ++i)
            limiter.say(QStringLiteral("pwm value"), QStringLiteral("refused %1").arg(i));
        limiter.say(QStringLiteral("mode value"), QStringLiteral("other kind"));
        QCOMPARE(said, (QStringList{"refused 0", "other kind"}));
        QTRY_COMPARE_WITH_TIMEOUT(said.size(), 3, 1000);
        QCOMPARE(said.last(), QStringLiteral("999 more like it in the last 0.3 s, the last: refused 999"));
        QTest::qWait(700); // a quiet period: the kind is forgotten and said at once again
        limiter.say(QStringLiteral("pwm value"), QStringLiteral("again"));
        QCOMPARE(said.size(), 4);
        QCOMPARE(said.last(), QStringLiteral("again"));
    }

    // Messages published while there is no broker wait, in order, the oldest beyond the
    // bound dropped, and go out at the next session.
    void queuedMessagesWaitForTheBroker()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty())
            QSKIP("mosquitto is needed (scripts/install-deps --test)");
        Broker broker;
        MqttClient::Options options;
        options.endpoint = {QStringLiteral("127.0.0.1"), broker.port, false};
        MqttClient client(options);
        for (int i = 0; i <= 1000; ++i)
            client.publishQueued(QStringLiteral("queue/%1").arg(i), QByteArray::number(i));
        QCOMPARE(client.queuedCount(), std::size_t(1000));
        QVERIFY(broker.start());
        Listener listener;
        QVERIFY(listener.start(broker.port, QStringLiteral("queue/#"), 10));
        client.start();
        QTRY_VERIFY_WITH_TIMEOUT(client.isConnected() && client.queuedCount() == 0, 5000);
        QByteArray heard;
        QTRY_COMPARE_WITH_TIMEOUT((heard += listener.take()).count('\n'), 1000, 5000);
        const QList<QByteArray> lines = heard.split('\n');
        QCOMPARE(lines.first(), QByteArray("queue/1 1"));
        QCOMPARE(lines.at(999), QByteArray("queue/1000 1000"));
        listener.stop();
    }

    // A subscription the library refuses as a session starts fails that session, with the
    // library's reason, as one refused at any other time does; it is never silently lost.
    void aRefusedSubscriptionFailsTheSession()
    {
        SKIP_WITHOUT_MOSQUITTO();
        Broker broker;
        QVERIFY(broker.start());
        MqttClient::Options options;
        options.endpoint = {QStringLiteral("127.0.0.1"), broker.port, false};
        MqttClient client(options);
        QStringList said;
        connect(&client, &MqttClient::reachabilityChanged, this,
                [&said](bool reachable, const QString& reason) { said.append(reachable ? QStringLiteral("reachable") : reason); });
        client.subscribe(QStringLiteral("site/#/set")); // "#" only at the end: refused when sent
        client.start();
        QTRY_COMPARE_WITH_TIMEOUT(said.size(), 2, 5000);
        QCOMPARE(said.first(), QStringLiteral("reachable"));
        QVERIFY2(said.at(1).contains(QLatin1String("nvalid")), qPrintable(said.at(1)));
        QVERIFY(!client.isConnected());
    }

    // Each setting written over MQTT goes in its own field of the command, alone, with a
    // value no other field could take for it, to the byte.
    void eachRemoteSettingReachesItsOwnField_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("command");
        const auto row = [](const char* name, RemoteSetting setting, const char* value, const char* command) {
            QTest::newRow(name) << int(setting) << QByteArray(value) << QByteArray(command);
        };
        row("temperature_low", RemoteSetting::TemperatureLow, "12.5", "@,,,12.5,,,,,,,,,1,1,\r\n");
        row("temperature_high", RemoteSetting::TemperatureHigh, "33.5", "@,,,,33.5,,,,,,,,1,1,\r\n");
        row("humidity_low", RemoteSetting::HumidityLow, "45.5", "@,,,,,45.5,,,,,,,1,1,\r\n");
        row("humidity_high", RemoteSetting::HumidityHigh, "75.5", "@,,,,,,75.5,,,,,,1,1,\r\n");
        row("hot_cold HH", RemoteSetting::HotCold, "HH", "@,,,,,,,11,,,,,1,1,\r\n");
        row("hot_cold HC", RemoteSetting::HotCold, "HC", "@,,,,,,,10,,,,,1,1,\r\n");
        row("hot_cold CH", RemoteSetting::HotCold, "CH", "@,,,,,,,1,,,,,1,1,\r\n");
        row("hot_cold CC", RemoteSetting::HotCold, "CC", "@,,,,,,,0,,,,,1,1,\r\n");
        row("relay1", RemoteSetting::Relay1, "ON", "@,,,,,,,,1,,,,1,1,\r\n");
        row("relay2", RemoteSetting::Relay2, "ON", "@,,,,,,,,,1,,,1,1,\r\n");
        row("relay2 off", RemoteSetting::Relay2, "OFF", "@,,,,,,,,,0,,,1,1,\r\n");
        row("pwm", RemoteSetting::Pwm, "201", "@,,,,,,,,,,201,,1,1,\r\n");
        row("mode", RemoteSetting::Mode, "3", "@,,,,,,,,,,,3,1,1,\r\n");
        row("max_sensor", RemoteSetting::MaxSensor, "17", "@,,17,,,,,,,,,,1,1,\r\n");
    }
    void eachRemoteSettingReachesItsOwnField()
    {
        QFETCH(int, setting);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, command);
        auto* comm = new FakeCommControl;
        comm->open = true;
        LineSession session{std::unique_ptr<CommControl>(comm)};
        MqttClient client(MqttClient::Options{});
        const auto written = static_cast<RemoteSetting>(setting);
        RemoteCommands commands(client, session, QStringLiteral("site/COM1"), {written});
        for (int frame = 0; frame < 3; ++frame) // node 1, real from its third frame; the send window open
            session.OnComm(typicalFrame());
        commands.messageReceived(QStringLiteral("site/COM1/1/set/") + remoteSettingName(written), value, false);
        QCOMPARE(comm->written, command);
    }

    // In the low-above-high check, a new write's set points count over those of the
    // command in flight: what the node will hold once both are applied.
    void aNewWriteWinsOverTheCommandInFlight()
    {
        auto* comm = new FakeCommControl;
        comm->open = true;
        LineSession session{std::unique_ptr<CommControl>(comm)};
        MqttClient client(MqttClient::Options{}); // never connected: the results wait in its queue
        RemoteCommands commands(client, session, QStringLiteral("site/COM1"), {RemoteSetting::TemperatureLow, RemoteSetting::TemperatureHigh});
        QStringList said;
        connect(&commands, &RemoteCommands::report, this, [&said](const QString& text, bool) { said.append(text); });
        for (int frame = 0; frame < 3; ++frame) // node 1 (low 20, high 30), real from its third frame
            session.OnComm(typicalFrame());
        session.sendWindowTick(); // the send window closed: a command waits in flight
        commands.messageReceived(QStringLiteral("site/COM1/1/set/temperature_high"), "35", false);
        commands.messageReceived(QStringLiteral("site/COM1/1/set/temperature_high"), "25", false);
        QVERIFY(said.isEmpty());
        commands.messageReceived(QStringLiteral("site/COM1/1/set/temperature_low"), "30", false);
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.constFirst().endsWith(QLatin1String("temperature_low 30 would be above temperature_high 25")), qPrintable(said.constFirst()));
        QCOMPARE(client.queuedCount(), std::size_t(3)); // waiting, waiting, rejected
    }

    // The state the twice-a-second limit holds back goes out when the logger ends.
    void theHeldStateGoesOutAtTheEnd()
    {
        SKIP_WITHOUT_MOSQUITTO();
        Broker broker;
        QVERIFY(broker.start());
        Listener states;
        QVERIFY(states.start(broker.port, QStringLiteral("site/COM1/1/state"), 10));
        MqttClient::Options connection;
        connection.endpoint = {QStringLiteral("127.0.0.1"), broker.port, false};
        StatePublisher::Settings settings;
        settings.topics = {QString(), QStringLiteral("site"), QStringLiteral("COM1"), QStringLiteral("COM1")};
        StatePublisher publisher(connection, settings);
        publisher.start();
        QTRY_COMPARE(broker.received(QStringLiteral("site/COM1/status"), 1, 1000), QStringList{"site/COM1/status online"});
        publisher.nodeFrame(QStringLiteral("1"), {"1", "21.0"}, 0);
        publisher.nodeFrame(QStringLiteral("1"), {"1", "22.0"}, 0); // within the half second: held
        publisher.finish(500ms);
        QByteArray heard;
        QTRY_VERIFY2((heard += states.take()).count('\n') >= 2, heard.constData());
        states.stop();
        const QList<QByteArray> lines = heard.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.last().contains("\"temperature\":22"), lines.last().constData());
    }

    // A broker setting libmosquitto refuses stops the start with its reason, as a usage error.
    void brokerSetUpErrorStopsTheStart()
    {
        QProcess logger;
        logger.start(QStringLiteral(LOGGER_PATH), {"--device", "/nonexistent", "--mqtt", "mqtt://127.0.0.1:1", "--mqtt-user", QString(70000, u'u')});
        QVERIFY(logger.waitForFinished(5000));
        QCOMPARE(logger.exitCode(), 2);
        QVERIFY2(logger.readAllStandardError().startsWith("zeq4810-logger: cannot use the MQTT user name and password: "), "reason");
    }

    void brokerSettings()
    {
        QTemporaryDir dir;
        QFile secret(dir.filePath(QStringLiteral("password")));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("s3cret word\r\nsecond line\n");
        secret.close();
        const auto result = readLoggerOptions({"zeq4810-logger", "--device", "/a", "--interval", "1min", "--mqtt", "mqtts://[::1]",
                                               "--mqtt-user", "site", "--mqtt-password-file", secret.fileName(), "--topic", "farm/zeq/"});
        QVERIFY(std::holds_alternative<LoggerOptions>(result));
        const auto& options = std::get<LoggerOptions>(result);
        QCOMPARE(options.interval, 60s);
        QVERIFY(options.broker && options.broker->endpoint.tls);
        QCOMPARE(endpointText(options.broker->endpoint), QStringLiteral("[::1]:8883"));
        QCOMPARE(options.broker->user, QStringLiteral("site"));
        QCOMPARE(options.broker->password, QStringLiteral("s3cret word"));
        QVERIFY(!options.broker->mqtt5); // no commands: MQTT 3.1.1
        QCOMPARE(options.topicPrefix, QStringLiteral("farm/zeq"));
    }

    void payloadFollowsTheFrame()
    {
        FrameAssembler rx;
        const QByteArray frame = statusFrame("007", {"25.3", " 60.2", "20.0", "30.0", "40.0", "80.0", "01", "2", "1e3", "1", "0", "1", "0", "512", "1"});
        qsizetype consumed = 0;
        QCOMPARE(rx.receive(QByteArrayView(frame), consumed), FrameAssembler::Outcome::Accepted);
        const QJsonObject json = QJsonDocument::fromJson(statePayload(rx.rxFields, 0)).object();
        QCOMPARE(json.value("node").toString(), QStringLiteral("007"));
        QCOMPARE(json.value("temperature").toDouble(), 25.3);
        QCOMPARE(json.value("humidity").toDouble(), 60.2);
        QCOMPARE(json.value("temperature_low").toDouble(), 20.0);
        QCOMPARE(json.value("humidity_high").toDouble(), 80.0);
        QCOMPARE(json.value("hot_cold").toString(), QStringLiteral("01"));
        QCOMPARE(json.value("mode").toDouble(), 2.0);
        // Not a plain decimal: null, its text kept under "raw"; a number has no raw text.
        QVERIFY(json.value("pwm").isNull());
        QCOMPARE(json.value("raw").toObject(), (QJsonObject{{"pwm", "1e3"}}));
        QCOMPARE(json.value("relay1").toDouble(), 1.0);
        QCOMPARE(json.value("input2").toDouble(), 0.0);
        QCOMPARE(json.value("adc").toDouble(), 512.0);
        QVERIFY(json.value("autoscan").isDouble());
        QVERIFY(json.value("time").toString().contains(QRegularExpression(QStringLiteral("^1970-01-01T\\d\\d:00:00\\.000[+-]\\d\\d:\\d\\d$"))));

        const QJsonObject shortFrame = QJsonDocument::fromJson(statePayload({"1", "25.0"}, 0)).object();
        QVERIFY(shortFrame.value("humidity").isNull());
        QVERIFY(shortFrame.value("autoscan").isNull());

        QCOMPARE(nodeTopicLevel(QStringLiteral(" 1/#+ x\n")), QStringLiteral("1____x"));
        QCOMPARE(nodeTopicLevel(QString()), QStringLiteral("_"));
    }

    // Records fall at whole periods of the wall clock, half a second in.
    void recordsAreDueAtWholePeriodsHalfASecondIn()
    {
        const std::initializer_list<std::tuple<qint64, std::chrono::milliseconds, qint64>> rows{
            {10'000, 1s, 500}, {10'499, 1s, 1}, {10'500, 1s, 1000}, {10'501, 1s, 999},
            {30'000, 30s, 500}, {30'500, 30s, 30'000}, {60'499, 30s, 1}, {0, 1min, 500}, {-1, 1s, 501},
        };
        for (const auto& [now, period, wait] : rows)
            QCOMPARE(LineLogger::untilNextRecord(now, period).count(), wait);
    }

    // The record timer is set again at every record from the wall clock, so a clock step
    // or a late tick never carries over into the next.
    void theRecordTimerRealignsAtEachRecord()
    {
        struct StepClock : Clock {
            QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(msecs); }
            qint64 msecs = 10'200;
        } clock;
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        QTemporaryDir dir;
        LineLogger logger(table, {1, {}, 1s, dir.filePath(QStringLiteral("data.txt"))}, clock);
        logger.start();
        QVERIFY2(logger.nextRecordIn() > 250ms && logger.nextRecordIn() <= 300ms, qPrintable(QString::number(logger.nextRecordIn().count())));
        clock.msecs = 20'900; // the wall clock stepped meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(logger.nextRecordIn() > 350ms, 2000); // the tick came
        QVERIFY2(logger.nextRecordIn() <= 600ms, qPrintable(QString::number(logger.nextRecordIn().count())));
        logger.stop();
    }

    // A record only from a frame the line is still carrying: six silent ticks end them;
    // the silence and the return are each said once.
    void recordsStopAtSilenceAndEachChangeIsSaidOnce()
    {
        PseudoTerminal pty;
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        table.setMapping(1, pty.path());
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("data.txt"));
        SystemClock clock;
        LineLogger logger(table, {1, {}, 1s, log}, clock);
        QStringList said;
        connect(&logger, &LineLogger::report, this, [&](const QString& text, bool) { said.append(text); });
        logger.start();
        const auto records = [&] { return QFileInfo(log).size() / 62; };
        logger.logTick();
        QCOMPARE(records(), 0); // no frame yet
        QVERIFY(pty.write(typicalFrame()));
        QTRY_VERIFY(logger.session().hasFreshFrame());
        logger.logTick();
        QCOMPARE(records(), 1);
        for (int tick = 0; tick < 5; ++tick)
            logger.session().silenceTick();
        logger.logTick();
        QCOMPARE(records(), 2);
        logger.session().silenceTick();
        logger.logTick();
        QCOMPARE(records(), 2);
        for (int tick = 0; tick < 255; ++tick) // the silence goes on past a wrap of the count
            logger.session().silenceTick();
        QVERIFY(pty.write(typicalFrame()));
        QTRY_VERIFY(logger.session().hasFreshFrame());
        QVERIFY(pty.write(typicalFrame()));
        logger.logTick();
        QCOMPARE(records(), 3);
        QCOMPARE(said.filter(QStringLiteral("no status frame")).size(), 1);
        QCOMPARE(said.filter(QStringLiteral("status frames again")).size(), 1);
    }

    // Per-day files: the day's date in the name, the same record format.
    void logFileNamesTakeTheDay()
    {
        const QDate day(2026, 3, 7);
        QCOMPARE(logFileForDay(QStringLiteral("data-%Y-%m-%d.txt"), day), QStringLiteral("data-2026-03-07.txt"));
        QCOMPARE(logFileForDay(QStringLiteral("/var/log/%Y/%m%d%%.txt"), day), QStringLiteral("/var/log/2026/0307%.txt"));
        QCOMPARE(logFileForDay(QStringLiteral("data.txt"), day), QStringLiteral("data.txt"));
        QCOMPARE(logFileForDay(QStringLiteral("a%q%"), day), QStringLiteral("a%q%"));
    }

    // The broker's back-off: 1 s, doubling to 30 s, and 1 s again once a connection stood.
    void brokerBackOffDoublesAndStartsAgain()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty())
            QSKIP("mosquitto is needed (scripts/install-deps --test)");
        Broker broker; // not started yet: nobody listens on its port
        MqttClient::Options options;
        options.endpoint = {QStringLiteral("127.0.0.1"), broker.port, false};
        MqttClient client(options);
        QCOMPARE(client.nextRetry(), 1s);
        client.start();
        QTRY_COMPARE(client.nextRetry(), 2s); // the first try failed; it waits 1 s
        QTRY_COMPARE_WITH_TIMEOUT(client.nextRetry(), 4s, 2500);
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(client.isConnected(), 6000);
        QCOMPARE(client.nextRetry(), 1s);
        std::chrono::seconds wait = 1s;
        for (const auto expected : {2s, 4s, 8s, 16s, 30s, 30s}) {
            wait = MqttClient::doubledRetry(wait);
            QCOMPARE(wait, expected);
        }
    }

    void limiterPassesTheNewestTwiceASecond()
    {
        // A node is available for six seconds after its frame.
        QVERIFY(!StatePublisher::stale(5900ms));
        QVERIFY(StatePublisher::stale(6100ms));
        QHash<QString, QByteArray> newest;
        QList<QByteArray> sent;
        QElapsedTimer clock;
        QList<qint64> when;
        PublishLimiter limiter(500ms, [&](const QString& key) {
            sent.append(newest.value(key));
            when.append(clock.elapsed());
        });
        clock.start();
        const auto offer = [&](const char* key, const char* message) {
            newest[QLatin1String(key)] = message;
            limiter.offer(QLatin1String(key));
        };
        for (const char* message : {"a", "b", "c"})
            offer("1", message);
        offer("2", "other node");
        QCOMPARE(sent, (QList<QByteArray>{"a", "other node"}));
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 3, 2000);
        QCOMPARE(sent.last(), QByteArray("c"));
        QVERIFY2(when.last() >= 500 && when.last() < 650, QByteArray::number(when.last()));
        QTest::qWait(700);
        QCOMPARE(sent.size(), 3);
    }

    // Frames ten times a second: the node's state goes out twice a second all along, each
    // half second after the last, not half a second after the next frame (which would be
    // fewer, 1.7 a second).
    void framesFasterThanTheLimitGoOutTwiceASecond()
    {
        QElapsedTimer clock;
        QList<qint64> when;
        PublishLimiter limiter(500ms, [&](const QString&) { when.append(clock.elapsed()); });
        QTimer frames;
        frames.setTimerType(Qt::PreciseTimer);
        int offered = 0;
        connect(&frames, &QTimer::timeout, this, [&] {
            if (++offered == 30)
                frames.stop();
            limiter.offer(QStringLiteral("1"));
        });
        clock.start();
        limiter.offer(QStringLiteral("1"));
        frames.start(100);
        QTRY_VERIFY_WITH_TIMEOUT(!frames.isActive(), 5000);
        QTest::qWait(600);
        QVERIFY2(when.size() >= 7, QByteArray::number(when.size()));
        for (qsizetype i = 1; i < when.size(); ++i)
            QVERIFY2(when[i] - when[i - 1] >= 500 && when[i] - when[i - 1] < 590,
                     qPrintable(QStringLiteral("%1 ms before state %2").arg(when[i] - when[i - 1]).arg(i)));
    }

    // The program as a service runs it: records, states and availability, and recovery
    // from a broker and a device that go away and come back.
    void publishesLogsAndRecovers()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        Simulator sim;
        QVERIFY(sim.start());
        const QString log = rig.logPath();
        QProcess& logger = rig.logger;
        QVERIFY(rig.start(rig.arguments(sim.link(), {"--interval", "1s"})));
        QByteArray said;
        connect(&logger, &QProcess::readyReadStandardError, this, [&] { said += logger.readAllStandardError(); });

        const QStringList states = broker.received(QStringLiteral("site/COM1/+/state"), 2);
        QCOMPARE(states.size(), 2);
        QVERIFY(states.first().startsWith(QStringLiteral("site/COM1/1/state {")));
        const QJsonObject state = QJsonDocument::fromJson(states.first().section(u' ', 1).toUtf8()).object();
        QCOMPARE(state.value("temperature_low").toDouble(), 20.0);
        QCOMPARE(state.value("hot_cold").toString(), QStringLiteral("10"));
        QVERIFY(state.value("temperature").isDouble());
        QCOMPARE(broker.received(QStringLiteral("site/COM1/1/availability"), 1), QStringList{"site/COM1/1/availability online"});

        // The broker goes away for 2 s: the file log goes on without a gap, and publishing
        // resumes once it is back.
        broker.stop();
        QTest::qWait(2000);
        QVERIFY(broker.start());
        QCOMPARE(broker.received(QStringLiteral("site/COM1/1/state"), 1, 8000).size(), 1);

        // The device vanishes for 2 s and comes back: reading resumes by itself.
        QElapsedTimer absence;
        absence.start();
        sim.stop();
        QTest::qWait(2000);
        QVERIFY(sim.start());
        QTRY_VERIFY_WITH_TIMEOUT(said.contains("is open; reading again"), 5000);
        // Gone until the line is open again (a slow build starts the simulator late); the
        // records' gap spans that, the record before it and the next record's second.
        const int longestGap = static_cast<int>((absence.elapsed() + 999) / 1000) + 2;
        const qsizetype recordsBefore = recordSeconds(log).size();
        QTRY_VERIFY_WITH_TIMEOUT(recordSeconds(log).size() >= recordsBefore + 2, 5000);

        // Ended by SIGTERM: within a second, with "offline" left behind, retained.
        QElapsedTimer ending;
        ending.start();
        logger.terminate();
        QVERIFY(logger.waitForFinished(2000));
        QVERIFY2(ending.elapsed() < 1000, QByteArray::number(ending.elapsed()));
        QCOMPARE(logger.exitStatus(), QProcess::NormalExit);
        QCOMPARE(logger.exitCode(), 0);
        QCOMPARE(broker.received(QStringLiteral("site/COM1/1/availability"), 1), QStringList{"site/COM1/1/availability offline"});
        // Each outage said once when it starts and once when it ends, for the journal.
        said += logger.readAllStandardError();
        QCOMPARE(said.count("not reachable"), 1);
        QCOMPARE(said.count("publishing to MQTT broker"), 2);
        QCOMPARE(said.count("the device went away"), 1);

        // One record a second, each whole; the only gap is the device's absence.
        const QList<int> seconds = recordSeconds(log);
        int gaps = 0;
        for (qsizetype i = 1; i < seconds.size(); ++i) {
            const int step = (seconds[i] - seconds[i - 1] + 86400) % 86400;
            QVERIFY2(step >= 1 && step <= std::max(4, longestGap),
                     qPrintable(QStringLiteral("step %1 at record %2, the device gone %3 s").arg(step).arg(i).arg(longestGap - 2)));
            gaps += step > 1;
        }
        QVERIFY(gaps <= 1);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("\r\n"));
    }

    // Remote commands end to end: a real broker, the simulator on its pseudo-terminal and
    // the logger as a process; the bytes on the line are the simulator's own report.
    void remoteCommandsReachTheLineOnlyWhenSound()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        const auto run = [&](QProcess& logger, Simulator& node, const QStringList& more) {
            logger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            return ServiceRig::start(logger, rig.arguments(node.link(), QStringList{"--quiet"} + more)) &&
                   broker.received(QStringLiteral("site/COM1/1/state"), 1).size() == 1;
        };
        Listener results;
        QVERIFY(results.start(broker.port, QStringLiteral("site/COM1/+/command"), 40));
        QString said;
        const auto result = [&](const QString& status, int timeoutMs = 5000) -> QJsonObject {
            QJsonObject found;
            (void)QTest::qWaitFor([&] {
                said += QString::fromUtf8(results.take());
                for (const QString& line : said.split(u'\n', Qt::SkipEmptyParts)) {
                    const QJsonObject message = QJsonDocument::fromJson(line.section(u' ', 1).toUtf8()).object();
                    if (message.value("status").toString() == status) {
                        said.remove(0, said.indexOf(line) + line.size());
                        found = message;
                        return true;
                    }
                }
                return false;
            }, timeoutMs);
            return found;
        };

        // Without the option, a write changes nothing and is not answered.
        Simulator node;
        QVERIFY(node.start());
        QProcess logger;
        QVERIFY(run(logger, node, {}));
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_high"), QStringLiteral("31")));
        QVERIFY(result(QStringLiteral("waiting"), 1500).isEmpty());
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));

        QVERIFY(run(logger, node, {"--mqtt-commands=temperature_low,temperature_high"}));
        QTest::qWait(300); // the subscription stands
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_high"), QStringLiteral("31")));
        const QJsonObject sent = result(QStringLiteral("sent"));
        QCOMPARE(sent.value("setting").toString(), QStringLiteral("temperature_high"));
        QCOMPARE(sent.value("sent").toString(), QStringLiteral("31"));
        QCOMPARE(sent.value("sequence").toInt(), 1);
        const QJsonObject applied = result(QStringLiteral("applied"));
        QCOMPARE(applied.value("sequence").toInt(), 1);
        QCOMPARE(applied.value("id").toInt(), sent.value("id").toInt());
        QVERIFY(applied.value("at").toString().contains(u'T'));

        // Each unsound write is refused with its reason, and nothing reaches the line.
        const std::initializer_list<std::tuple<const char*, const char*, bool, const char*>> refused{
            {"site/COM1/1/set/temperature_low", "101", false, "above 100"},
            {"site/COM1/1/set/temperature_low", "21", true, "retained messages are refused"},
            {"site/COM1/1/set/node", "21", false, "the node number cannot be written from afar"},
            {"site/COM1/1/set/temperature_low", " 22 ", false, "not a number"},
            {"site/COM1/1/set/pwm", "100", false, "not among the settings"},
            {"site/COM1/1/set/temperature_low", "35", false, "temperature_low 35 would be above temperature_high 31"},
        };
        for (const auto& [topic, value, retain, reason] : refused) {
            QVERIFY(broker.publish(QLatin1String(topic), QLatin1String(value), retain));
            const QJsonObject rejected = result(QStringLiteral("rejected"));
            QVERIFY2(rejected.value("reason").toString().startsWith(QLatin1String(reason)), qPrintable(rejected.value("reason").toString()));
        }
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_low"), QString(), true)); // the retained set is cleared
        (void)result(QStringLiteral("rejected"));

        // Writes while a command is in flight make the next one, the newest value winning.
        // The node holds its frames meanwhile, so the first command waits for its window.
        const auto holdNode = [&node](bool hold) {
            QCOMPARE(QProcess::execute(QStringLiteral("kill"), {hold ? QStringLiteral("-STOP") : QStringLiteral("-CONT"),
                                                                QString::number(node.process.processId())}), 0);
            QTest::qWait(500); // the last frame read, its send window closed
        };
        holdNode(true);
        for (const auto& [topic, value] : {std::pair{"site/COM1/1/set/temperature_low", "21"}, {"site/COM1/1/set/temperature_high", "35"},
                                           {"site/COM1/1/set/temperature_high", "36"}})
            QVERIFY(broker.publish(QLatin1String(topic), QLatin1String(value)));
        QCOMPARE(result(QStringLiteral("rejected")).value("reason").toString().left(27), QStringLiteral("replaced by a newer value ("));
        holdNode(false);
        QCOMPARE(result(QStringLiteral("applied")).value("sequence").toInt(), 2);
        const QJsonObject merged = result(QStringLiteral("applied"));
        QCOMPARE(merged.value("sent").toString(), QStringLiteral("36"));
        QCOMPARE(merged.value("sequence").toInt(), 3);

        // No frame after the write, no send window: the command expires after 10 s.
        holdNode(true);
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_low"), QStringLiteral("22")));
        QVERIFY(!result(QStringLiteral("waiting")).isEmpty());
        QElapsedTimer waited;
        waited.start();
        const QJsonObject expired = result(QStringLiteral("expired"), 14000);
        QVERIFY2(waited.elapsed() >= 9000, qPrintable(QString::number(waited.elapsed())));
        QVERIFY(expired.value("sequence").isNull());
        holdNode(false);
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));
        const QByteArray line = node.process.readAllStandardOutput() + node.process.readAllStandardError();
        QCOMPARE(line.count("received \""), 3);
        QVERIFY2(line.contains("received \"@,,,,31,,,,,,,,1,1,\\r\\n\""), line.constData());
        QVERIFY2(line.contains("received \"@,,,21,,,,,,,,,1,2,\\r\\n\""), line.constData());
        QVERIFY2(line.contains("received \"@,,,,36,,,,,,,,1,3,\\r\\n\""), line.constData());

        // A node that keeps its setting: not applied, with what differs.
        Simulator stubborn;
        QVERIFY(stubborn.start({"--ignore", "high-temperature"}));
        QVERIFY(run(logger, stubborn, {"--mqtt-commands=temperature_high"}));
        QTest::qWait(300);
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_high"), QStringLiteral("33")));
        const QJsonObject notApplied = result(QStringLiteral("not_applied"));
        QVERIFY2(notApplied.value("reason").toString().contains(QStringLiteral("sent 33, node shows 30")), qPrintable(notApplied.value("reason").toString()));
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));
        results.stop();
    }

    // Home Assistant as a site would run it: discovery of each node seen, announced again
    // when Home Assistant comes back, availability that holds when the logger ends, is
    // killed or a node falls silent, readings typed, and nothing from a noisy line.
    void homeAssistantSeesEachNodeAndTheTruthAboutIt()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        PseudoTerminal pty;
        const QStringList arguments = rig.arguments(pty.path(), {"--interval", "1s", "--ha-discovery"});
        QProcess& logger = rig.logger;
        QVERIFY(rig.start(arguments));
        QByteArray node = "1";
        QTimer frames;
        connect(&frames, &QTimer::timeout, this, [&] {
            pty.write(statusFrame(node, {"25.3", "--.-", "20.0", "30.0", "40.0", "80.0", "10", "2", "128", "1", "0", "1", "0", "512", "1"}));
        });
        frames.start(200);

        // Retained configs: the logger's device and the node's fifteen entities.
        const QStringList configs = broker.received(QStringLiteral("homeassistant/+/+/+/config"), 16, 8000);
        QCOMPARE(configs.size(), 16);
        QJsonObject temperature;
        for (const QString& line : configs) {
            const QJsonObject config = QJsonDocument::fromJson(line.section(u' ', 1).toUtf8()).object();
            QVERIFY2(!config.value("unique_id").toString().isEmpty() && config.value("device").isObject() &&
                         config.value("origin").toObject().value("name") == QStringLiteral("zeq4810-logger"),
                     qPrintable(line));
            if (line.startsWith(QStringLiteral("homeassistant/sensor/site_COM1_1/temperature/config ")))
                temperature = config;
        }
        QCOMPARE(temperature.value("state_topic").toString(), QStringLiteral("site/COM1/1/state"));
        QCOMPARE(temperature.value("unit_of_measurement").toString(), QStringLiteral("°C"));
        QCOMPARE(temperature.value("device_class").toString(), QStringLiteral("temperature"));
        QCOMPARE(temperature.value("state_class").toString(), QStringLiteral("measurement"));
        QCOMPARE(temperature.value("availability_mode").toString(), QStringLiteral("all"));
        QCOMPARE(temperature.value("availability").toArray().size(), 2);
        QCOMPARE(temperature.value("device").toObject().value("name").toString(), QStringLiteral("ZEQ4810 node 1 on COM1"));
        QCOMPARE(temperature.value("device").toObject().value("via_device").toString(), QStringLiteral("site_COM1"));
        QCOMPARE(broker.received(QStringLiteral("site/COM1/status"), 1), QStringList{"site/COM1/status online"});

        // Home Assistant comes back: every config again, within its random delay.
        Listener again;
        QVERIFY(again.start(broker.port, QStringLiteral("homeassistant/+/+/+/config"), 8));
        QVERIFY(broker.publish(QStringLiteral("homeassistant/status"), QStringLiteral("online")));
        QVERIFY(QTest::qWaitFor([&again] { return !again.running(); }, 10000));
        QCOMPARE(QString::fromUtf8(again.take()).count(u'\n'), 16);

        // Readings are numbers, or null with their text kept.
        const QStringList states = broker.received(QStringLiteral("site/COM1/1/state"), 2);
        QCOMPARE(states.size(), 2);
        for (const QString& line : states) {
            const QJsonObject state = QJsonDocument::fromJson(line.section(u' ', 1).toUtf8()).object();
            for (auto it = state.begin(); it != state.end(); ++it) {
                if (it.key() != u"node" && it.key() != u"hot_cold" && it.key() != u"time" && it.key() != u"raw")
                    QVERIFY2(it.value().isDouble() || it.value().isNull(), qPrintable(it.key()));
            }
            QVERIFY(state.value("humidity").isNull());
            QCOMPARE(state.value("raw").toObject().value("humidity").toString(), QStringLiteral("--.-"));
        }

        // A second node gets a device of its own; the first, no longer heard, goes offline.
        node = "2";
        QCOMPARE(broker.received(QStringLiteral("homeassistant/sensor/site_COM1_2/temperature/config"), 1).size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/1/availability"), 1, 1000),
                                  QStringList{"site/COM1/1/availability offline"}, 9000);
        QCOMPARE(broker.received(QStringLiteral("site/COM1/2/availability"), 1), QStringList{"site/COM1/2/availability online"});

        // Noise after a frame completes frames by counting on; none is published.
        frames.stop();
        QTest::qWait(800);
        Listener noise;
        QVERIFY(noise.start(broker.port, QStringLiteral("site/COM1/+/state"), 2));
        QVERIFY(pty.write(QByteArray(400, 'x')));
        QVERIFY(noise.waitForFinished(4000));
        QCOMPARE(noise.take(), QByteArray());

        // A hang-up signal is not an end; SIGTERM leaves every node and the logger offline.
        QCOMPARE(QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-HUP"), QString::number(logger.processId())}), 0);
        QVERIFY(!logger.waitForFinished(500));
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));
        QCOMPARE(logger.exitCode(), 0);
        QVERIFY(logger.readAllStandardError().contains("hang-up signal: going on"));
        QCOMPARE(broker.received(QStringLiteral("site/COM1/+/availability"), 2),
                 (QStringList{"site/COM1/1/availability offline", "site/COM1/2/availability offline"}));
        QCOMPARE(broker.received(QStringLiteral("site/COM1/status"), 1), QStringList{"site/COM1/status offline"});

        // Killed without a word: the broker's will says the logger is gone.
        QVERIFY(rig.start(arguments));
        frames.start(200);
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/status"), 1, 1000),
                                  QStringList{"site/COM1/status online"}, 5000);
        logger.kill();
        logger.waitForFinished(3000);
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/status"), 1, 1000),
                                  QStringList{"site/COM1/status offline"}, 5000);
    }

    // Two lines under one prefix, each with a node 1, and a second site under another prefix
    // with a line of the same name: a write reaches one line only, its results stand under
    // that line only, and no Home Assistant topic or id is shared.
    void linesAndSitesStayApart()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        Simulator nodes[3];
        QProcess loggers[3];
        const std::pair<const char*, const char*> sites[3]{{"site", "a"}, {"site", "b"}, {"other", "a"}};
        Listener results;
        QVERIFY(results.start(broker.port, QStringLiteral("+/+/+/command"), 30));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(nodes[i].start());
            loggers[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QVERIFY(ServiceRig::start(loggers[i], rig.arguments(nodes[i].link(),
                                                                {"--line", sites[i].second, "--quiet", "--ha-discovery", "--mqtt-commands=temperature_high"},
                                                                QStringLiteral("data%1.txt").arg(i), QLatin1String(sites[i].first))));
        }
        // Each logger's status, node, and 15 sensors with one control: 3 x 17 configs.
        const QStringList configs = broker.received(QStringLiteral("homeassistant/#"), 3 * 17, 10000);
        QCOMPARE(configs.size(), 3 * 17);
        QSet<QString> topics;
        QSet<QString> ids;
        QSet<QString> devices;
        for (const QString& line : configs) {
            topics.insert(line.section(u' ', 0, 0));
            const QJsonObject config = QJsonDocument::fromJson(line.section(u' ', 1).toUtf8()).object();
            ids.insert(config.value("unique_id").toString());
            devices.insert(config.value("device").toObject().value("identifiers").toArray().first().toString());
        }
        QCOMPARE(topics.size(), 3 * 17);
        QCOMPARE(ids.size(), 3 * 17);
        QCOMPARE(devices, (QSet<QString>{"site_a", "site_a_1", "site_b", "site_b_1", "other_a", "other_a_1"}));
        QCOMPARE(broker.received(QStringLiteral("+/+/status"), 3).size(), 3);

        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/a/1/availability"), 1, 1000), QStringList{"site/a/1/availability online"}, 5000);
        QVERIFY(broker.publish(QStringLiteral("site/a/1/set/temperature_high"), QStringLiteral("33")));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += results.take()).contains("\"applied\""), 8000);
        QTest::qWait(500);
        said += results.take();
        for (const QByteArray& line : said.split('\n'))
            QVERIFY2(line.isEmpty() || line.startsWith("site/a/1/command "), line.constData());
        QCOMPARE(said.count('\n'), 3); // waiting, sent, applied
        for (int i = 0; i < 3; ++i) {
            loggers[i].terminate();
            QVERIFY(loggers[i].waitForFinished(3000));
            nodes[i].stop();
        }
        QVERIFY(nodes[0].process.readAllStandardOutput().contains("received \"@,,,,33,,,,,,,,1,1,\\r\\n\""));
        for (int i = 1; i < 3; ++i)
            QVERIFY(!nodes[i].process.readAllStandardOutput().contains("received"));
        results.stop();
    }

    // One frame whose node digit was corrupted on the line leaves nothing behind, and a
    // node that went away while the logger was killed is offline within 2 s of its restart.
    void aFalseNodeLeavesNothingAndAGoneNodeGoesOffline()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        PseudoTerminal pty;
        const QStringList arguments = rig.arguments(pty.path(), {"--ha-discovery", "--quiet"});
        QProcess& logger = rig.logger;
        QVERIFY(rig.start(arguments));
        Listener everything;
        QVERIFY(everything.start(broker.port, QStringLiteral("#"), 30));
        const QByteArray fields = "25.3,60.2,20.0,30.0,40.0,80.0,10,2,128,1,0,1,0,512,1";
        QByteArray node = "2";
        int sent = 0;
        QTimer frames;
        connect(&frames, &QTimer::timeout, this, [&] {
            // The tenth frame's node digit is corrupted on the line: 2 reads as 7.
            pty.write(statusFrame(++sent == 10 ? "7" : node, QByteArray(fields).split(',')));
        });
        frames.start(200);
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/2/availability"), 1, 1000),
                                  QStringList{"site/COM1/2/availability online"}, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sent > 15, 5000);
        QVERIFY(broker.received(QStringLiteral("site/COM1/7/#"), 1, 1000).isEmpty());
        QVERIFY(broker.received(QStringLiteral("homeassistant/+/site_COM1_7/+/config"), 1, 1000).isEmpty());
        everything.stop();
        const QByteArray published = everything.take();
        QVERIFY(published.contains("site/COM1/2/state"));
        QVERIFY2(!published.contains("COM1/7") && !published.contains("COM1_7"), published.constData());

        // Killed without a word; node 2 goes away meanwhile, node 1 takes the line.
        logger.kill();
        logger.waitForFinished(3000);
        node = "1";
        QCOMPARE(broker.received(QStringLiteral("site/COM1/2/availability"), 1), QStringList{"site/COM1/2/availability online"});
        QElapsedTimer sinceStart;
        sinceStart.start();
        QVERIFY(rig.start(arguments));
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/2/availability"), 1, 300),
                                  QStringList{"site/COM1/2/availability offline"}, 2000);
        QVERIFY2(sinceStart.elapsed() < 2000, QByteArray::number(sinceStart.elapsed()));
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/1/availability"), 1, 1000),
                                  QStringList{"site/COM1/1/availability online"}, 5000);
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));
    }

    // A result due while the broker restarts is published once it is back; a flood of
    // refused writes is a line or two in the journal, not a thousand.
    void resultsOutliveTheBrokerAndFloodsStayOutOfTheJournal()
    {
        SKIP_WITHOUT_MOSQUITTO();
        ServiceRig rig;
        Broker& broker = rig.broker;
        QVERIFY(broker.start());
        Simulator node;
        QVERIFY(node.start({"--period", "1000"}));
        QProcess& logger = rig.logger;
        QVERIFY(rig.start(rig.arguments(node.link(), {"--quiet", "--mqtt-commands=temperature_high"})));
        QTRY_COMPARE_WITH_TIMEOUT(broker.received(QStringLiteral("site/COM1/1/availability"), 1, 1000),
                                  QStringList{"site/COM1/1/availability online"}, 8000);
        const auto holdNode = [&node](bool hold) {
            return QProcess::execute(QStringLiteral("kill"), {hold ? QStringLiteral("-STOP") : QStringLiteral("-CONT"),
                                                              QString::number(node.process.processId())}) == 0;
        };
        Listener results;
        QVERIFY(results.start(broker.port, QStringLiteral("site/COM1/1/command"), 20));
        QVERIFY(broker.publish(QStringLiteral("site/COM1/1/set/temperature_high"), QStringLiteral("32")));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += results.take()).contains("\"sent\""), 5000);
        // The node holds its next frame until the broker is down; then it shows the value.
        QVERIFY(holdNode(true));
        QVERIFY(!said.contains("\"applied\""));
        broker.stop();
        QVERIFY(holdNode(false));
        QTest::qWait(1500); // a frame: the command is applied while no broker listens
        QVERIFY(broker.start());
        Listener after;
        QVERIFY(after.start(broker.port, QStringLiteral("site/COM1/1/command"), 10));
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT((heard += after.take()).contains("\"applied\""), 8000);
        QVERIFY(heard.contains("\"sequence\":1"));

        // A thousand refused writes in a burst.
        QProcess flood;
        flood.start(QStringLiteral("mosquitto_pub"), {"-h", "127.0.0.1", "-p", QString::number(broker.port), "-t",
                                                      "site/COM1/1/set/temperature_high", "-l"});
        QVERIFY(flood.waitForStarted());
        QByteArray lines;
        for (int i = 0; i < 1000; ++i)
            lines += "abc" + QByteArray::number(i % 10) + '\n';
        flood.write(lines);
        flood.closeWriteChannel();
        QVERIFY(flood.waitForFinished(10000));
        QTest::qWait(1500);
        logger.terminate();
        QVERIFY(logger.waitForFinished(3000));
        const QByteArray journal = logger.readAllStandardError();
        QVERIFY2(journal.count("refused") <= 2, journal.constData());
        QVERIFY(journal.contains("refused (temperature_high=abc0): not a number"));
    }

    // Whatever ends the start is an error in the journal, one line.
    void aStartThatEndsIsOneErrorLine()
    {
        QTemporaryDir dir;
        const QString unreadable = dir.filePath(QStringLiteral("missing-password"));
        for (const QStringList& arguments : {QStringList{"--device", "/a", "--line", "a/b"},
                                             QStringList{"--device", "/a", "--mqtt", "mqtt://h", "--mqtt-user", "u", "--mqtt-password-file", unreadable},
                                             QStringList{"--device", "/a", "--mqtt", "mqtt://127.0.0.1:1", "--mqtt-user", QString(70000, u'u')}}) {
            QProcess logger;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("8:1234"));
            logger.setProcessEnvironment(environment);
            logger.start(QStringLiteral(LOGGER_PATH), arguments);
            QVERIFY(logger.waitForFinished(5000));
            QCOMPARE(logger.exitCode(), 2);
            const QByteArray said = logger.readAllStandardError();
            QCOMPARE(said.count('\n'), 1);
            QVERIFY2(said.startsWith("<3>zeq4810-logger: "), said.constData());
        }
    }
};

QTEST_GUILESS_MAIN(LoggerTest)
#include "test_logger.moc"
