// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoggerOptions.h"

#include "publish/StatePayload.h"
#include "serial/ComName.h"
#include "serial/PortMapping.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

constexpr int kUsageError = 2;

LoggerExit usageError(const QString& text) { return {kUsageError, text}; }

std::optional<std::chrono::milliseconds> parseInterval(const QString& text)
{
    using namespace std::chrono_literals;
    if (text == u"1s")
        return 1s;
    if (text == u"5s")
        return 5s;
    if (text == u"30s")
        return 30s;
    if (text == u"1min")
        return 1min;
    return std::nullopt;
}

// A device as a path, a name under /dev ("ttyUSB0"), or a path without its leading "/"
// as systemd gives an escaped instance ("dev/serial/by-id/usb-...").
QString pathOfDevice(const QString& text)
{
    if (text.startsWith(u'/'))
        return text;
    return text.contains(u'/') ? u'/' + text : QStringLiteral("/dev/") + text;
}

// Why a text cannot be a line name: one topic level that MQTT and Home Assistant take.
QString lineNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("--line wants a name");
    if (name.size() > 64)
        return QStringLiteral("--line takes at most 64 characters");
    for (const QChar c : name) {
        if (c == u'/' || c == u'+' || c == u'#' || c.category() == QChar::Other_Control || c.isSpace())
            return QStringLiteral("--line takes one topic level without /, +, #, blanks or control characters, not \"%1\"").arg(name);
    }
    if (name.startsWith(u'$'))
        return QStringLiteral("--line may not begin with $: such topics belong to the broker");
    return {};
}

std::variant<QString, LoggerExit> readPassword(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return usageError(QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString()));
    // The first line; a password never spans lines, and editors add a final newline.
    QByteArray line = file.read(4096);
    line.truncate(line.indexOf('\n') < 0 ? line.size() : line.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return usageError(QStringLiteral("the password file %1 is empty").arg(path));
    return QString::fromUtf8(line);
}

// The options the logger takes, made once for the parser and the readers of its parts.
struct Flags {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version and exit.")};
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("Read the line at PATH under the name COMn, or COMn of the fixed device table."),
                            QStringLiteral("COMn[=PATH]")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Read the line at PATH: a path, a name under /dev (ttyUSB0) or a COM name."), QStringLiteral("PATH")};
    QCommandLineOption line{QStringLiteral("line"),
                            QStringLiteral("The line's name in topics and Home Assistant, unique under the prefix "
                                           "(default: the COM name, else the device's file name)."),
                            QStringLiteral("NAME")};
    QCommandLineOption interval{QStringLiteral("interval"), QStringLiteral("Log period: 1s, 5s, 30s or 1min (default 30s)."),
                                QStringLiteral("PERIOD")};
    QCommandLineOption log{QStringLiteral("log"), QStringLiteral("Log file (default data.txt in the working folder)."), QStringLiteral("FILE")};
    QCommandLineOption mqtt{QStringLiteral("mqtt"), QStringLiteral("Publish to this broker: mqtt://HOST[:PORT] or mqtts://HOST[:PORT]."),
                            QStringLiteral("URL")};
    QCommandLineOption user{QStringLiteral("mqtt-user"), QStringLiteral("User name at the broker."), QStringLiteral("NAME")};
    QCommandLineOption passwordFile{QStringLiteral("mqtt-password-file"), QStringLiteral("File whose first line is the broker password."),
                                    QStringLiteral("FILE")};
    QCommandLineOption topic{QStringLiteral("topic"), QStringLiteral("Topic prefix (default zeq4810)."), QStringLiteral("PREFIX")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("Report problems only, not start-up and recoveries.")};
    QCommandLineOption caFile{QStringLiteral("mqtt-cafile"), QStringLiteral("With mqtts://, also trust the certificate authority in this PEM file."),
                              QStringLiteral("FILE")};
    QCommandLineOption certFile{QStringLiteral("mqtt-cert"),
                                QStringLiteral("With mqtts://, show the broker this client certificate (PEM); needs --mqtt-key."),
                                QStringLiteral("FILE")};
    QCommandLineOption keyFile{QStringLiteral("mqtt-key"), QStringLiteral("The client certificate's private key (PEM)."), QStringLiteral("FILE")};
    QCommandLineOption clientId{QStringLiteral("mqtt-client-id"), QStringLiteral("Client id at the broker (default: zeq4810-HOST-PID)."),
                                QStringLiteral("ID")};
    QCommandLineOption discovery{QStringLiteral("ha-discovery"),
                                 QStringLiteral("Announce each node to Home Assistant by MQTT discovery under PREFIX "
                                                "(--ha-discovery alone: homeassistant)."),
                                 QStringLiteral("PREFIX")};
    QCommandLineOption retainState{QStringLiteral("retain-state"),
                                   QStringLiteral("Publish the states retained, so a new subscriber has the last one at once.")};
    QCommandLineOption commands{QStringLiteral("mqtt-commands"),
                                QStringLiteral("Take configuration commands for these settings from PREFIX/LINE/NODE/set/SETTING "
                                               "(comma-separated: %1).")
                                    .arg(remoteSettingNames().join(QStringLiteral(", "))),
                                QStringLiteral("LIST")};

    QList<QCommandLineOption> all() const
    {
        return {help,  version, port,   device,   line,    interval, log,      mqtt,      user,       passwordFile,
                topic, quiet,   caFile, certFile, keyFile, clientId, discovery, retainState, commands};
    }
    // The options that take one value at most.
    QList<const QCommandLineOption*> once() const
    {
        return {&port, &device, &line, &interval, &log, &mqtt, &user, &passwordFile, &topic, &caFile, &certFile, &keyFile, &clientId, &discovery,
                &commands};
    }
    // The options that mean nothing without a broker.
    QList<const QCommandLineOption*> needingBroker() const
    {
        return {&user, &passwordFile, &caFile, &certFile, &keyFile, &clientId, &discovery, &retainState, &commands};
    }
};

// The line read: its COM number, the device, and its names for messages and topics.
std::optional<LoggerExit> readLine(const QCommandLineParser& parser, const Flags& flags, LoggerOptions& options)
{
    if (parser.isSet(flags.port) == parser.isSet(flags.device))
        return usageError(QStringLiteral("give the line with either --port COMn=PATH or --device PATH"));
    if (parser.isSet(flags.port)) {
        const QString value = parser.value(flags.port);
        if (value.contains(u'=')) {
            const auto parsed = parsePortMapping(value);
            if (const auto* error = std::get_if<QString>(&parsed))
                return usageError(*error);
            options.portNumber = std::get<PortMapping>(parsed).number;
            options.devicePath = std::get<PortMapping>(parsed).path;
        } else if (const auto number = parseComName(value)) {
            options.portNumber = *number;
        } else {
            return usageError(QStringLiteral("--port wants COMn or COMn=PATH with n from 1 to 100, not \"%1\"").arg(value));
        }
    } else {
        const QString value = parser.value(flags.device);
        if (value.isEmpty())
            return usageError(QStringLiteral("--device wants a device path"));
        if (const auto number = parseComName(value))
            options.portNumber = *number;
        else
            options.devicePath = pathOfDevice(value);
    }
    if (parser.isSet(flags.line)) {
        options.line = parser.value(flags.line);
        if (const QString problem = lineNameProblem(options.line); !problem.isEmpty())
            return usageError(problem);
    } else {
        options.line = parser.isSet(flags.device) && !options.devicePath.isEmpty() ? nodeTopicLevel(options.devicePath.section(u'/', -1))
                                                                                   : comName(options.portNumber);
    }
    if (options.devicePath.isEmpty())
        options.lineName = comName(options.portNumber);
    else if (parser.isSet(flags.device))
        options.lineName = options.devicePath;
    else
        options.lineName = QStringLiteral("%1 (%2)").arg(comName(options.portNumber), options.devicePath);
    return std::nullopt;
}

// The records: their period and file.
std::optional<LoggerExit> readRecords(const QCommandLineParser& parser, const Flags& flags, LoggerOptions& options)
{
    if (parser.isSet(flags.interval)) {
        const auto period = parseInterval(parser.value(flags.interval));
        if (!period)
            return usageError(QStringLiteral("--interval must be 1s, 5s, 30s or 1min, not \"%1\"").arg(parser.value(flags.interval)));
        options.interval = *period;
    }
    if (parser.isSet(flags.log)) {
        options.logPath = parser.value(flags.log);
        if (options.logPath.isEmpty())
            return usageError(QStringLiteral("--log wants a file name"));
    }
    return std::nullopt;
}

// The broker's password: from --mqtt-password-file, or without one from a service's
// credential "mqtt-password" (systemd's LoadCredential=), so that it never stands in an
// option; none without either.
std::optional<LoggerExit> readPasswordSource(const QCommandLineParser& parser, const Flags& flags, MqttClient::Options& broker)
{
    const QString credential = qEnvironmentVariable("CREDENTIALS_DIRECTORY") + QStringLiteral("/mqtt-password");
    const bool fromCredential = !parser.isSet(flags.passwordFile) && !broker.user.isEmpty() &&
                                !qEnvironmentVariableIsEmpty("CREDENTIALS_DIRECTORY") && QFile::exists(credential);
    if (!parser.isSet(flags.passwordFile) && !fromCredential)
        return std::nullopt;
    if (broker.user.isEmpty())
        return usageError(QStringLiteral("--mqtt-password-file needs --mqtt-user"));
    const auto password = readPassword(fromCredential ? credential : parser.value(flags.passwordFile));
    if (const auto* exit = std::get_if<LoggerExit>(&password))
        return *exit;
    broker.password = std::get<QString>(password);
    return std::nullopt;
}

// The broker and how to reach it, as the MQTT client takes it.
std::optional<LoggerExit> readBroker(const QCommandLineParser& parser, const Flags& flags, LoggerOptions& options)
{
    if (!parser.isSet(flags.mqtt)) {
        for (const QCommandLineOption* needsBroker : flags.needingBroker()) {
            if (parser.isSet(*needsBroker))
                return usageError(QStringLiteral("--%1 needs --mqtt").arg(needsBroker->names().constLast()));
        }
        return std::nullopt;
    }
    const auto parsed = parseMqttUrl(parser.value(flags.mqtt));
    if (const auto* error = std::get_if<QString>(&parsed))
        return usageError(*error);
    MqttClient::Options broker;
    broker.endpoint = std::get<MqttEndpoint>(parsed);
    if ((parser.isSet(flags.caFile) || parser.isSet(flags.certFile)) && !broker.endpoint.tls)
        return usageError(QStringLiteral("--mqtt-cafile and --mqtt-cert need an mqtts:// broker"));
    if (parser.isSet(flags.certFile) != parser.isSet(flags.keyFile))
        return usageError(QStringLiteral("--mqtt-cert and --mqtt-key go together"));
    broker.caFile = parser.value(flags.caFile);
    broker.certFile = parser.value(flags.certFile);
    broker.keyFile = parser.value(flags.keyFile);
    broker.clientId = parser.value(flags.clientId);
    if (parser.isSet(flags.clientId) && (broker.clientId.isEmpty() || broker.clientId.toUtf8().size() > 65535))
        return usageError(QStringLiteral("--mqtt-client-id wants a name"));
    if (parser.isSet(flags.discovery)) {
        const QString prefix = parser.value(flags.discovery);
        if (prefix.isEmpty() || prefix.contains(u'+') || prefix.contains(u'#') || prefix.endsWith(u'/'))
            return usageError(QStringLiteral("--ha-discovery takes a topic prefix without + or #, not \"%1\"").arg(prefix));
        options.discoveryPrefix = prefix;
    }
    options.retainState = parser.isSet(flags.retainState);
    if (parser.isSet(flags.commands)) {
        const auto settings = parseRemoteSettings(parser.value(flags.commands));
        if (const auto* error = std::get_if<QString>(&settings))
            return usageError(QStringLiteral("--mqtt-commands: %1").arg(*error));
        options.mqttCommands = std::get<QList<RemoteSetting>>(settings);
    }
    // Commands need MQTT 5 to tell a retained set from a live one.
    broker.mqtt5 = !options.mqttCommands.isEmpty();
    broker.user = parser.value(flags.user);
    if (std::optional<LoggerExit> failed = readPasswordSource(parser, flags, broker))
        return failed;
    options.broker = std::move(broker);
    return std::nullopt;
}

// The prefix of the topics, without a trailing "/".
std::optional<LoggerExit> readTopicPrefix(const QCommandLineParser& parser, const Flags& flags, LoggerOptions& options)
{
    if (!parser.isSet(flags.topic))
        return std::nullopt;
    QString prefix = parser.value(flags.topic);
    while (prefix.endsWith(u'/'))
        prefix.chop(1);
    if (prefix.isEmpty() || prefix.contains(u'+') || prefix.contains(u'#') || prefix.contains(QChar(0)))
        return usageError(QStringLiteral("--topic must be a topic without + or #, not \"%1\"").arg(parser.value(flags.topic)));
    options.topicPrefix = prefix;
    return std::nullopt;
}

} // namespace

std::variant<LoggerOptions, LoggerExit> readLoggerOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Logs one ZEQ4810 node's readings to a file and publishes its status frames to an MQTT broker, "
        "without a window. It recovers by itself when the device or the broker goes away."));
    const Flags flags;
    parser.addOptions(flags.all());

    // "--ha-discovery" alone takes the usual prefix; the parser wants a value.
    QStringList given = arguments;
    for (QString& argument : given) {
        if (argument == u"--ha-discovery")
            argument = QStringLiteral("--ha-discovery=homeassistant");
    }
    if (!parser.parse(given))
        return usageError(parser.errorText());
    if (parser.isSet(flags.help))
        return LoggerExit{0, parser.helpText()};
    if (parser.isSet(flags.version))
        return LoggerExit{0, QStringLiteral("zeq4810-logger %1\n%2\n").arg(QStringLiteral(ZEQ_VERSION), QStringLiteral(ZEQ_LICENCE))};
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption* once : flags.once()) {
        if (parser.values(*once).size() > 1)
            return usageError(QStringLiteral("--%1 given more than once").arg(once->names().constLast()));
    }

    LoggerOptions options;
    for (const auto read : {readLine, readRecords, readBroker, readTopicPrefix}) {
        if (std::optional<LoggerExit> failed = read(parser, flags, options))
            return *failed;
    }
    options.quiet = parser.isSet(flags.quiet);
    return options;
}
