// SPDX-License-Identifier: GPL-3.0-or-later
#include "Program.h"

#include "serial/SerialLine.h"
#include "platform/CommandLineText.h"
#include "platform/WindowSystem.h"
#include "serial/ComName.h"
#include "serial/PortMapping.h"
#include "serial/PortTable.h"
#include "ui/Form1.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

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
    // Where the system installs the program under a folder users cannot write, its
    // Start-menu entry has it work in a folder of the user's own.
    const QString workFolder = startMenuWorkFolder();
    const QCommandLineOption documentsOption(QStringLiteral("work-in-documents"),
                                             QStringLiteral("Work in %1 (made when missing): data.txt goes there. "
                                                            "The Start-menu entry starts the program so.")
                                                 .arg(QDir::toNativeSeparators(workFolder)));
    if (!workFolder.isEmpty())
        parser.addOption(documentsOption);
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
    const auto usageError = [](const QString& text) {
        showCommandLineText(QStringLiteral("zeq4810pc: %1\n").arg(text), true);
        return kUsageError;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        showCommandLineText(parser.helpText(), false);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        showCommandLineText(QStringLiteral("zeq4810pc %1\n%2\n").arg(QStringLiteral(ZEQ_VERSION), QStringLiteral(ZEQ_LICENCE)), false);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (comNamesAreNative() && parser.isSet(portOption))
        return usageError(QStringLiteral("--port is not needed here: the serial ports already have their COM names"));
    for (const QString& value : parser.values(portOption)) {
        const auto parsed = parsePortMapping(value);
        if (const auto* error = std::get_if<QString>(&parsed))
            return usageError(*error);
        const auto& mapping = std::get<PortMapping>(parsed);
        ports.setMapping(mapping.number, mapping.path);
    }
    // A folder that cannot be made or entered leaves the program where it started; the
    // log then says why it cannot write there, if it cannot.
    if (!workFolder.isEmpty() && parser.isSet(documentsOption) && QDir().mkpath(workFolder))
        QDir::setCurrent(workFolder);
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
