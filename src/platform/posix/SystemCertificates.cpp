// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemCertificates.h"

QByteArray systemCaFolder() { return QByteArrayLiteral("/etc/ssl/certs"); }
