#include "serial/PortMapping.h"
#include "serial/PortTable.h"
#include "ui/Form1.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {
constexpr int kUsageError = 2;
}

int main(int argc, char* argv[])
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

    installFontSubstitutions();
    Form1 form(ports);
    form.startUp();
    form.show();
    return QApplication::exec();
}
