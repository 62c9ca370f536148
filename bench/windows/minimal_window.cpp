// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest Qt Widgets window, built like zeq4810pc.exe: what start-up under Wine is
// held against.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("minimal"));
    window.setWindowTitle(QStringLiteral("minimal Qt window"));
    window.resize(451, 440);
    window.show();
    return QApplication::exec();
}
