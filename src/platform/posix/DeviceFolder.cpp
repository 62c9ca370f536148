// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DeviceFolder.h"

#include <sys/stat.h>

std::optional<DeviceFolderStamp> deviceFolderStamp()
{
    struct stat dev {};
    if (::stat("/dev", &dev) != 0)
        return std::nullopt;
    return DeviceFolderStamp{dev.st_mtim.tv_sec, dev.st_mtim.tv_nsec};
}
