// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DeviceFolder.h"

// Windows has no folder of device nodes to watch; the COM names are asked for each time.
std::optional<DeviceFolderStamp> deviceFolderStamp() { return std::nullopt; }
