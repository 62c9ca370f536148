// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketWait.h"

#include <poll.h>

bool waitUntilWritable(int socket, int milliseconds)
{
    pollfd watched{socket, POLLOUT, 0};
    return ::poll(&watched, 1, milliseconds) > 0;
}

bool waitUntilReadable(int socket, int milliseconds)
{
    pollfd watched{socket, POLLIN, 0};
    return ::poll(&watched, 1, milliseconds) > 0;
}
