// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommControl.h"
#include "PortTable.h"

#include <QList>

#include <memory>

// The system's serial line: the control that opens a COM number's device, and the serial
// devices present now. One portable interface; the build compiles one implementation of
// it, platform/posix/SerialLine.cpp or platform/windows/SerialLine.cpp.
std::unique_ptr<CommControl> makeSerialControl(const PortTable& table, QObject* parent = nullptr);
QList<SystemSerialDevice> systemSerialDevices();

// Whether COM names are the system's own (COM1 .. COM100 name devices directly), so that
// no table or --port mapping is needed to reach a device by its COM name.
bool comNamesAreNative();
