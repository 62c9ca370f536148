// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's command parser: any bytes the program (or noise) can put on the line.
// Whatever it accepts, the node's next status frame must still be one the program shows.
#include "NodeModel.h"

#include "telemetry/FrameAssembler.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    NodeModel node;
    LineSplitter splitter;
    for (const QByteArray& line : splitter.feed(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))) {
        if (line.size() > LineSplitter::kMaxLine)
            std::abort();
        node.applyCommand(line);
        FrameAssembler rx;
        FrameAssembler::Outcome outcome = FrameAssembler::Outcome::None;
        for (char c : node.statusFrame())
            if (const auto o = rx.receive(c); o != FrameAssembler::Outcome::None)
                outcome = o;
        if (outcome != FrameAssembler::Outcome::Accepted || rx.rxFields.size() < 16 || rx.rxFields.at(0) != node.node)
            std::abort();
    }
    return 0;
}
