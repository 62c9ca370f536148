// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DeviceAccess.h"

// Windows decides at the open and says why there; a COM port has no mode or group.
bool mayReadWrite(const QString&) { return true; }

QString accessAdvice(const QString& path) { return QStringLiteral("%1: access denied").arg(path); }

// The open itself is exclusive on Windows: a port another program holds does not open.
bool heldByAnother(qintptr) { return false; }
