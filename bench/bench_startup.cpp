// SPDX-License-Identifier: GPL-3.0-or-later
// The real program for measurements. Plain: prints "shown" and quits once its main
// window has been painted for the first time; bench_report times this from process
// start. With --connect: connects to COM1 once shown, prints "connected" and runs on;
// with --trend as well, the trend window is open beside it.
#include "app/Program.h"
#include "ui/Form1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char* argv[])
{
    std::vector<char*> arguments(argv, argv + argc);
    const auto takeFlag = [&arguments](const char* flag) {
        const auto found = std::find_if(arguments.begin(), arguments.end(), [flag](const char* a) { return std::strcmp(a, flag) == 0; });
        if (found == arguments.end())
            return false;
        arguments.erase(found);
        return true;
    };
    const bool connectOnShow = takeFlag("--connect");
    const bool withTrend = takeFlag("--trend");
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    return runProgram(count, arguments.data(), [connectOnShow, withTrend](Form1& form) {
        if (!connectOnShow) {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::quit();
            return;
        }
        form.findChild<QComboBox*>(QStringLiteral("Combo1"))->lineEdit()->setText(QStringLiteral("COM1"));
        form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        if (withTrend)
            form.showTrend();
        std::puts(form.comm().portOpen() ? "connected" : "not connected");
        std::fflush(stdout);
    });
}
