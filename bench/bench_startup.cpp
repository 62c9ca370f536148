// The real program, which prints "shown" and quits once its main window has been painted;
// bench_report times this from process start.
#include "app/Program.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    return runProgram(argc, argv, [](Form1&) {
        std::puts("shown");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}
