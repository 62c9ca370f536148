// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

#include <memory>
#include <variant>

// Opens a file for reading without ever blocking: a name that is not a regular file (a
// FIFO, whose open waits for a writer; a device or terminal, which never ends; a folder)
// is refused with the reason, as is a name that cannot be opened.
std::variant<std::unique_ptr<QFile>, QString> openRegularFile(const QString& path);
