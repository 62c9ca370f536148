// zeq4810-logger: the line's records and frames without a window, for a service.
#include "LineLogger.h"
#include "LoggerOptions.h"
#include "platform/TerminationSignal.h"
#include "publish/StatePublisher.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// Time the broker gets for the last "offline" and the goodbye at the end.
constexpr std::chrono::milliseconds kGoodbyeTime{500};

void say(const QString& text)
{
    std::fprintf(stderr, "zeq4810-logger: %s\n", qPrintable(text));
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
        std::fputs(qPrintable(exit->text), exit->code == 0 ? stdout : stderr);
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
            say(text);
    };
    QObject::connect(&logger, &LineLogger::report, report);

    std::unique_ptr<StatePublisher> publisher;
    if (options.mqtt) {
        MqttClient::Options connection{*options.mqtt, options.mqttUser, options.mqttPassword};
        // What the broker's settings need is set up once now, so that a bad one stops the
        // start instead of surfacing later as a connection that never comes.
        MqttClient::Options trial = connection;
        trial.willTopic = options.topicPrefix + QStringLiteral("/_/availability");
        trial.willPayload = QByteArrayLiteral("offline");
        if (const QString problem = MqttClient(trial).setUpProblem(); !problem.isEmpty()) {
            say(problem);
            return 2;
        }
        publisher = std::make_unique<StatePublisher>(connection, options.topicPrefix);
        QObject::connect(publisher.get(), &StatePublisher::report, report);
        QObject::connect(&logger, &LineLogger::frameAccepted, publisher.get(), &StatePublisher::frameAccepted);
        QObject::connect(&logger, &LineLogger::linkAliveChanged, publisher.get(), &StatePublisher::setLinkAlive);
    }

    TerminationSignal termination;
    bool ending = false;
    QObject::connect(&termination, &TerminationSignal::received, [&](int) {
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
