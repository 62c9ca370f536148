// SPDX-License-Identifier: GPL-3.0-or-later
#include "Program.h"

#include "serial/SerialLine.h"
#include "platform/WindowSystem.h"
#include "serial/ComName.h"
#include "serial/PortMapping.h"
#include "serial/PortTable.h"
#include "ui/Form1.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

constexpr int kUsageError = 2;

// Runs a callback at the first paint of a widget.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(std::function<void()> callback) : m_callback(std::move(callback)) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_callback) {
            auto callback = std::exchange(m_callback, {});
            QTimer::singleShot(0, watched, callback);
        }
        return false;
    }

private:
    std::function<void()> m_callback;
};

} // namespace

namespace {

// Reads the command line into the port table; an exit code when the program is to end
// here (help, version, a usage error).
std::optional<int> readCommandLine(int argc, char* argv[], PortTable& ports)
{
    // A core application alone, so help, version and usage errors need no display.
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeq4810pc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));

    QCommandLineParser parser;
    const QString purpose = QStringLiteral("Monitor and configurator for one ZEQ4810 temperature-humidity controller on an RS-485 line.");
    parser.setApplicationDescription(
        comNamesAreNative() ? purpose + QStringLiteral("\n\nThe serial ports are offered under their own names, COM1 to COM100.")
                            : purpose + QStringLiteral("\n\nSerial devices are offered under fixed names:\n") + deviceTableText() +
                                  QStringLiteral("A --port mapping overrides the table; /dev/serial/by-id/... keeps following one adapter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Offer the device PATH under the name COMn (n from 1 to 100), overriding the "
                       "fixed names of the serial devices. May be given more than once."),
        QStringLiteral("COMn=PATH"));
    parser.addOption(portOption);
    // The window system's own options are read later, by the application; they must
    // not count as unknown here.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "geometry", "qwindowtitle", "qwindowicon", "style", "stylesheet", "display", "session"}) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "nograb", "dograb", "widgetcount"}) {
        QCommandLineOption option{QLatin1String(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "zeq4810pc: %s\n", qPrintable(parser.errorText()));
        return kUsageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("zeq4810pc %s\n%s\n", ZEQ_VERSION, ZEQ_LICENCE);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zeq4810pc: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
        return kUsageError;
    }
    if (comNamesAreNative() && parser.isSet(portOption)) {
        std::fprintf(stderr, "zeq4810pc: --port is not needed here: the serial ports already have their COM names\n");
        return kUsageError;
    }
    for (const QString& value : parser.values(portOption)) {
        const auto parsed = parsePortMapping(value);
        if (const auto* error = std::get_if<QString>(&parsed)) {
            std::fprintf(stderr, "zeq4810pc: %s\n", qPrintable(*error));
            return kUsageError;
        }
        const auto& mapping = std::get<PortMapping>(parsed);
        ports.setMapping(mapping.number, mapping.path);
    }
    return std::nullopt;
}

} // namespace

int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& whenShown)
{
    PortTable ports;
    if (const std::optional<int> exitCode = readCommandLine(argc, argv, ports))
        return *exitCode;

    chooseWindowSystemOptions();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zeq4810pc"));
    QApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zeq4810pc"));

    installClassicLook();
    Form1 form(ports);
    form.startUp();
    FirstPaint firstPaint([&form, &whenShown] {
        if (whenShown)
            whenShown(form);
    });
    form.centralWidget()->installEventFilter(&firstPaint);
    form.show();
    return QApplication::exec();
}
