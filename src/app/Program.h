// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class Form1;

// The whole program: command line, start-up, the main window, the event loop. whenShown
// runs once the main window has been painted for the first time.
int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& whenShown = {});
