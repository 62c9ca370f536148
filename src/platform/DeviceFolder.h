// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <utility>

// When the folder of device nodes last changed (a device came or went); none when the
// system cannot tell.
using DeviceFolderStamp = std::pair<long long, long>;
std::optional<DeviceFolderStamp> deviceFolderStamp();
