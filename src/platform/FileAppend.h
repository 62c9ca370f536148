// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Appends bytes to a file and closes it again, without ever blocking or raising a signal:
// a name that is not a regular file (FIFO, device, directory) is not written. When the
// bytes cannot be written whole, the file is cut back to its old end. Returns the
// system's reason on failure.
std::optional<QString> appendWhole(const QString& path, const QByteArray& bytes);
