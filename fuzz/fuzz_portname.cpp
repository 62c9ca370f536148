// SPDX-License-Identifier: GPL-3.0-or-later
// Port names and "--port" values: anything typed in the port box or on the command line.
#include "serial/ComName.h"
#include "serial/PortDiscovery.h"
#include "serial/PortMapping.h"

#include <cstdint>
#include <cstdlib>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto mapping = parsePortMapping(text);
    if (const auto* good = std::get_if<PortMapping>(&mapping)) {
        if (good->number < 1 || good->number > 100 || good->path.isEmpty())
            std::abort();
    }
    if (const auto number = parseComName(text)) {
        if (*number < 1 || *number > 100 || comName(*number).compare(text, Qt::CaseInsensitive) != 0)
            std::abort();
    }
    const QString numberText = portNumberText(text);
    if (numberText.size() > 3)
        std::abort();
    (void)leadingNumberValue(text);
    if (const auto com = comNumberForDevice(text)) {
        if (*com < 1 || *com > 100)
            std::abort();
    }
    const QList<int> found = matchComPorts(text.split(u'\n'));
    for (qsizetype i = 1; i < found.size(); ++i)
        if (found[i] <= found[i - 1])
            std::abort();
    return 0;
}
