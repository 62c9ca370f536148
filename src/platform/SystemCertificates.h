// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The folder of the system's trusted certificate authorities, for TLS.
QByteArray systemCaFolder();
