#pragma once

#include <QByteArray>

// The folder of the system's trusted certificate authorities, for TLS.
QByteArray systemCaFolder();
