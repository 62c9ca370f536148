// The real program for measurements. Plain: prints "shown" and quits once its main
// window has been painted for the first time; bench_report times this from process
// start. With --connect: connects to COM1 once shown, prints "connected" and runs on.
#include "app/Program.h"
#include "ui/Form1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char* argv[])
{
    std::vector<char*> arguments(argv, argv + argc);
    const auto connect = std::find_if(arguments.begin(), arguments.end(), [](const char* a) { return std::strcmp(a, "--connect") == 0; });
    const bool connectOnShow = connect != arguments.end();
    if (connectOnShow)
        arguments.erase(connect);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    return runProgram(count, arguments.data(), [connectOnShow](Form1& form) {
        if (!connectOnShow) {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::quit();
            return;
        }
        form.findChild<QComboBox*>(QStringLiteral("Combo1"))->lineEdit()->setText(QStringLiteral("COM1"));
        form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        std::puts(form.comm().portOpen() ? "connected" : "not connected");
        std::fflush(stdout);
    });
}
