// SPDX-License-Identifier: GPL-3.0-or-later
// zeq4810-nodesim: a ZEQ4810 node on a pseudo-terminal (or a real serial device), sending
// status frames and applying configuration commands, with faults to inject on request.

#include "NodeModel.h"

#include "platform/TerminalPair.h"
#include "platform/TerminationSignal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <random>

namespace {

constexpr int kUsageError = 2;
[[noreturn]] void usageError(const QString& message)
{
    std::fprintf(stderr, "zeq4810-nodesim: %s\nTry --help.\n", qPrintable(message));
    std::exit(kUsageError);
}

int nonNegative(const QCommandLineParser& parser, const QString& name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0)
        usageError(QStringLiteral("--%1 takes a whole number of 0 or more, not \"%2\"").arg(name, parser.value(name)));
    return value;
}

QString escaped(const QByteArray& bytes)
{
    QString out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += QStringLiteral("\\r");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (c >= 32 && c < 127)
            out += QLatin1Char(static_cast<char>(c));
        else
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out;
}

// The line the node talks on: the master of a pseudo-terminal, or a serial device.
class Line : public QObject {
public:
    virtual bool send(const QByteArray& bytes) = 0;
    virtual void close() = 0;
    std::function<void(const QByteArray&)> onReceived;
};

class PtyLine : public Line {
public:
    // The slave side is held open here, so the master stays readable while no program has
    // it open.
    explicit PtyLine(const QString& link) : m_link(link), m_pair(true)
    {
        if (!m_pair.isOpen())
            usageError(QStringLiteral("cannot create a pseudo-terminal: %1").arg(m_pair.error()));
        const QFileInfo existing(link);
        if (existing.isSymLink() || existing.exists()) {
            if (!existing.isSymLink())
                usageError(QStringLiteral("%1 exists and is not a link; choose another --link").arg(link));
            QFile::remove(link);
        }
        if (!QFile::link(m_pair.slavePath(), link))
            usageError(QStringLiteral("cannot create the link %1").arg(link));
        std::printf("node on %s (link %s)\n", qPrintable(m_pair.slavePath()), qPrintable(link));
        m_notifier = new QSocketNotifier(m_pair.masterHandle(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            const QByteArray bytes = m_pair.readAvailable();
            if (!bytes.isEmpty() && onReceived)
                onReceived(bytes);
        });
    }
    ~PtyLine() override { close(); }

    // A full buffer means nobody reads; the node goes on, as on a real line.
    bool send(const QByteArray& bytes) override { return m_pair.writeSome(bytes) == bytes.size(); }
    void close() override
    {
        if (!m_pair.isOpen())
            return;
        delete m_notifier;
        m_notifier = nullptr;
        m_pair.close();
        QFile::remove(m_link);
    }

private:
    QString m_link;
    TerminalPair m_pair;
    QSocketNotifier* m_notifier = nullptr;
};

class DeviceLine : public Line {
public:
    explicit DeviceLine(const QString& device)
    {
        m_port.setPortName(device);
        if (!m_port.open(QIODevice::ReadWrite) || !m_port.setBaudRate(115200) || !m_port.setDataBits(QSerialPort::Data8) ||
            !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
            !m_port.setFlowControl(QSerialPort::NoFlowControl))
            usageError(QStringLiteral("cannot open %1: %2").arg(device, m_port.errorString()));
        std::printf("node on %s at 115200 8N1\n", qPrintable(device));
        connect(&m_port, &QSerialPort::readyRead, this, [this] {
            if (onReceived)
                onReceived(m_port.readAll());
        });
    }
    bool send(const QByteArray& bytes) override { return m_port.isOpen() && m_port.write(bytes) == bytes.size(); }
    void close() override { m_port.close(); }

private:
    QSerialPort m_port;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeq4810-nodesim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated ZEQ4810 node. It sends a status frame every period and applies the "
        "configuration commands it receives (\"@\", 13 fields, \",\", CR LF), printing each "
        "with the time, the bytes received and what was applied or why it was refused.\n"
        "By default it creates a pseudo-terminal and publishes it at --link, for\n"
        "  zeq4810pc --port COM1=/tmp/zeq4810-node"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Path of the link to the pseudo-terminal (default /tmp/zeq4810-node). A stale link there is replaced; the link is removed on exit."), QStringLiteral("PATH")},
        {QStringLiteral("device"), QStringLiteral("Drive a real serial device at 115200 8N1 instead of a pseudo-terminal."), QStringLiteral("DEVICE")},
        {QStringLiteral("period"), QStringLiteral("Milliseconds between status frames (default 1000, at least 1)."), QStringLiteral("MS")},
        {QStringLiteral("noise"), QStringLiteral("Random bytes (never \"?\") sent between frames, this many after each frame."), QStringLiteral("RATE")},
        {QStringLiteral("drop-every"), QStringLiteral("Every Nth frame breaks the 7th-character rule, so the program drops it."), QStringLiteral("N")},
        {QStringLiteral("silence-after"), QStringLiteral("Stop sending after N frames and keep the line open."), QStringLiteral("N")},
        {QStringLiteral("vanish-after"), QStringLiteral("Close the line after N frames, as an unplugged adapter."), QStringLiteral("N")},
        {QStringLiteral("count"), QStringLiteral("Send N frames, then exit."), QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random drift and noise (default 4810)."), QStringLiteral("N")},
        {QStringLiteral("node"), QStringLiteral("The node's number, 0 to 255 (default 1)."), QStringLiteral("N")},
        {QStringLiteral("ignore"), QStringLiteral("Accept commands but keep this setting as it is: mode, pwm, low-temperature, high-temperature, low-humidity, high-humidity, hot-cold, relay1 or relay2. May be given more than once."), QStringLiteral("SETTING")},
    });
    if (!parser.parse(QCoreApplication::arguments()))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("zeq4810-nodesim %s\n%s\n", ZEQ_VERSION, ZEQ_LICENCE);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (parser.isSet(QStringLiteral("link")) && parser.isSet(QStringLiteral("device")))
        usageError(QStringLiteral("--link and --device exclude each other"));
    if (parser.isSet(QStringLiteral("link")) && parser.value(QStringLiteral("link")).isEmpty())
        usageError(QStringLiteral("--link needs a path"));

    const int period = nonNegative(parser, QStringLiteral("period"), 1000);
    if (period < 1)
        usageError(QStringLiteral("--period must be at least 1"));
    const int noise = nonNegative(parser, QStringLiteral("noise"), 0);
    const int dropEvery = nonNegative(parser, QStringLiteral("drop-every"), 0);
    const int silenceAfter = nonNegative(parser, QStringLiteral("silence-after"), -1);
    const int vanishAfter = nonNegative(parser, QStringLiteral("vanish-after"), -1);
    const int count = nonNegative(parser, QStringLiteral("count"), -1);
    const auto seed = static_cast<std::uint32_t>(nonNegative(parser, QStringLiteral("seed"), 4810));
    const QStringList ignored = parser.values(QStringLiteral("ignore"));
    for (const QString& setting : ignored) {
        if (!NodeModel::kIgnorable.contains(setting))
            usageError(QStringLiteral("--ignore takes one of %1").arg(NodeModel::kIgnorable.join(QStringLiteral(", "))));
    }

    TerminationSignal termination(true);
    QObject::connect(&termination, &TerminationSignal::received, &app, &QCoreApplication::quit);

    std::unique_ptr<Line> line;
    if (parser.isSet(QStringLiteral("device")))
        line = std::make_unique<DeviceLine>(parser.value(QStringLiteral("device")));
    else
        line = std::make_unique<PtyLine>(parser.isSet(QStringLiteral("link")) ? parser.value(QStringLiteral("link"))
                                                                             : QStringLiteral("/tmp/zeq4810-node"));

    NodeModel node(seed);
    if (parser.isSet(QStringLiteral("node"))) {
        const int number = nonNegative(parser, QStringLiteral("node"), 1);
        if (number > 255)
            usageError(QStringLiteral("--node takes a number from 0 to 255"));
        node.node = QString::number(number);
    }
    node.ignored = ignored;
    LineSplitter splitter;
    std::mt19937 noiseRandom(seed);
    line->onReceived = [&](const QByteArray& bytes) {
        for (const QByteArray& received : splitter.feed(bytes)) {
            const NodeModel::Applied result = node.applyCommand(received);
            std::printf("%s received \"%s\\r\\n\": %s %s\n",
                        qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))),
                        qPrintable(escaped(received)), result.accepted ? "applied" : "refused:",
                        qPrintable(result.detail));
        }
    };

    int sent = 0;
    QTimer frames;
    frames.setTimerType(Qt::PreciseTimer);
    frames.setInterval(period);
    QObject::connect(&frames, &QTimer::timeout, &app, [&] {
        if (count >= 0 && sent >= count) {
            QCoreApplication::quit();
            return;
        }
        if (vanishAfter >= 0 && sent >= vanishAfter) {
            std::printf("line closed after %d frames\n", sent);
            line->close();
            frames.stop();
            return;
        }
        if (silenceAfter >= 0 && sent >= silenceAfter) {
            std::printf("silent after %d frames\n", sent);
            frames.stop();
            return;
        }
        ++sent;
        node.advance();
        line->send(node.statusFrame(dropEvery > 0 && sent % dropEvery == 0));
        if (noise > 0) {
            QByteArray bytes(noise, '\0');
            std::uniform_int_distribution<int> byte(0, 254);
            for (char& c : bytes) {
                int value = byte(noiseRandom);
                c = static_cast<char>(value >= '?' ? value + 1 : value);
            }
            line->send(bytes);
        }
    });
    frames.start();
    const int status = QCoreApplication::exec();
    line->close();
    return status;
}
