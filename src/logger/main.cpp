// SPDX-License-Identifier: GPL-3.0-or-later
// zeq4810-logger: the line's records and frames without a window, for a service.
#include "LineLogger.h"
#include "LoggerOptions.h"
#include "platform/TerminationSignal.h"
#include "publish/StatePublisher.h"
#include "remote/RemoteCommands.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// Time the broker gets for the last "offline" and the goodbye at the end.
constexpr std::chrono::milliseconds kGoodbyeTime{500};

// One line for the journal. When stderr is the journal's stream, a priority goes first
// ("<3>" error, "<6>" information), so that journalctl -p err shows the problems.
void say(const QString& text, bool problem)
{
    static const bool journal = !qEnvironmentVariableIsEmpty("JOURNAL_STREAM");
    std::fprintf(stderr, "%szeq4810-logger: %s\n", journal ? (problem ? "<3>" : "<6>") : "", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeq4810-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));

    const auto read = readLoggerOptions(QCoreApplication::arguments());
    if (const auto* exit = std::get_if<LoggerExit>(&read)) {
        // A start that ends in a usage error is an error for the journal like any other.
        if (exit->code == 0)
            std::fputs(qPrintable(exit->text), stdout);
        else
            say(exit->text, true);
        return exit->code;
    }
    const LoggerOptions& options = std::get<LoggerOptions>(read);

    PortTable ports;
    if (!options.devicePath.isEmpty())
        ports.setMapping(options.portNumber, options.devicePath);
    SystemClock clock;
    LineLogger logger(ports, {options.portNumber, options.lineName, options.interval, options.logPath}, clock);
    const bool quiet = options.quiet;
    const auto report = [quiet](const QString& text, bool problem) {
        if (problem || !quiet)
            say(text, problem);
    };
    QObject::connect(&logger, &LineLogger::report, report);

    std::unique_ptr<StatePublisher> publisher;
    std::unique_ptr<RemoteCommands> commands;
    if (options.broker) {
        StatePublisher::Settings settings;
        for (const RemoteSetting setting : options.mqttCommands)
            settings.writable.append(remoteSettingName(setting));
        settings.topics = {options.discoveryPrefix.value_or(QString()), options.topicPrefix, options.line, options.lineName};
        settings.discovery = options.discoveryPrefix.has_value();
        settings.retainState = options.retainState;
        publisher = std::make_unique<StatePublisher>(*options.broker, settings);
        QObject::connect(publisher.get(), &StatePublisher::report, report);
        QObject::connect(&logger, &LineLogger::nodeFrame, publisher.get(), &StatePublisher::nodeFrame);
        QObject::connect(&logger, &LineLogger::linkAliveChanged, publisher.get(), &StatePublisher::setLinkAlive);
        // What the broker's settings need is set up now, so that a bad one stops the start
        // instead of surfacing later as a connection that never comes.
        publisher->start();
        if (const MqttClient* client = publisher->client(); !client || !client->setUpProblem().isEmpty())
            return 2;
        if (!options.mqttCommands.isEmpty()) {
            commands = std::make_unique<RemoteCommands>(*publisher->client(), logger.session(), settings.topics.lineTopic(), options.mqttCommands);
            QObject::connect(commands.get(), &RemoteCommands::report, report);
            commands->start();
            report(QStringLiteral("taking configuration commands for %1 on %2").arg(settings.writable.join(QStringLiteral(", ")), commands->subscription()),
                   false);
        }
    }

    TerminationSignal termination(true);
    bool ending = false;
    QObject::connect(&termination, &TerminationSignal::received, [&](int signalNumber) {
        if (TerminationSignal::isHangUp(signalNumber)) {
            // Nothing to reload: options are read at start, the log file is opened anew
            // for every record.
            say(QStringLiteral("hang-up signal: going on (the log file is opened anew for every record)"), false);
            return;
        }
        if (std::exchange(ending, true))
            return;
        // Records are written whole between events, so none is cut off here.
        logger.stop();
        if (publisher)
            publisher->finish(kGoodbyeTime);
        QCoreApplication::quit();
    });

    logger.start();
    return QCoreApplication::exec();
}
