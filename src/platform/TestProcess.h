// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

// What the tests need of the system beyond the program's own use.

// Whether this process runs with the privileges that ignore file permissions.
bool isSuperUser();
// The name of this process's own group.
QString ownGroupName();
// Makes a named pipe at `path`.
bool makeFifo(const QString& path);
// Runs `work` in a child process whose file-size limit is `limitBytes` and returns what
// it returned; a child ended by a signal returns "<killed by signal N>".
QString runWithFileSizeLimit(long long limitBytes, const std::function<QString()>& work);
// A TCP port on the loopback address that nobody listens on now.
int freeLoopbackPort();
