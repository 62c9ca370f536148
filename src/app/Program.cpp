#include "Program.h"

#include "serial/PortMapping.h"
#include "serial/PortTable.h"
#include "ui/Form1.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

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

int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& whenShown)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zeq4810pc"));
    QApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zeq4810pc"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Monitor and configurator for one ZEQ4810 temperature-humidity controller on an RS-485 line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Offer the device PATH under the name COMn (n from 1 to 100), overriding the "
                       "fixed names of the serial devices. May be given more than once."),
        QStringLiteral("COMn=PATH"));
    parser.addOption(portOption);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "zeq4810pc: %s\n", qPrintable(parser.errorText()));
        return kUsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zeq4810pc: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
        return kUsageError;
    }

    PortTable ports;
    for (const QString& value : parser.values(portOption)) {
        const auto parsed = parsePortMapping(value);
        if (const auto* error = std::get_if<QString>(&parsed)) {
            std::fprintf(stderr, "zeq4810pc: %s\n", qPrintable(*error));
            return kUsageError;
        }
        const auto& mapping = std::get<PortMapping>(parsed);
        ports.setMapping(mapping.number, mapping.path);
    }

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
