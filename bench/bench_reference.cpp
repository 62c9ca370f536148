// SPDX-License-Identifier: GPL-3.0-or-later
// The reference workload of the CPU figures: the least a program can do with the same
// line. bench_reference --window PATH: a plain Qt window that reads the line and shows the
// newest frame's start in a label, repainted at every read. bench_reference --core PATH:
// the line read and dropped, no window. Each says "connected" once it reads, and runs on.
#include <QApplication>
#include <QLabel>
#include <QSerialPort>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char* argv[])
{
    if (argc != 3 || (std::strcmp(argv[1], "--window") != 0 && std::strcmp(argv[1], "--core") != 0))
        return 2;
    const bool window = std::strcmp(argv[1], "--window") == 0;
    std::unique_ptr<QCoreApplication> app = window ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    std::unique_ptr<QLabel> label;
    if (window) {
        label = std::make_unique<QLabel>(QStringLiteral("?"));
        label->resize(300, 40);
        label->show();
    }
    QSerialPort port(QString::fromLocal8Bit(argv[2]));
    if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(115200))
        return 1;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        if (label) {
            const qsizetype start = bytes.lastIndexOf('?');
            label->setText(QString::fromLatin1(bytes.mid(start < 0 ? 0 : start, 20)));
        }
    });
    std::puts("connected");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
