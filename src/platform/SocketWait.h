// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waits at most `milliseconds` for a socket to take more bytes; false on time-out or error.
bool waitUntilWritable(int socket, int milliseconds);
