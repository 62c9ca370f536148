// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waits at most `milliseconds` for a socket to take more bytes; false on time-out or error.
bool waitUntilWritable(int socket, int milliseconds);
// Waits at most `milliseconds` for a socket to have bytes to read; false on time-out or error.
bool waitUntilReadable(int socket, int milliseconds);
