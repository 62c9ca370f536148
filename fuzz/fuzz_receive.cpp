// SPDX-License-Identifier: GPL-3.0-or-later
// The receive handler with the display mapping: any byte stream from the line.
#include "telemetry/FrameAssembler.h"
#include "telemetry/LampState.h"
#include "telemetry/Readings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameAssembler rx;
    QString shown[16];
    bool lamps[16] = {};
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        // Now and then a tick of the silence timer or the end of the send window.
        if (c == '\x01' && rx.silenceTick())
            rx.rxFields.clear();
        if (c == '\x02')
            rx.closeSendWindow();
        if (rx.receive(c) == FrameAssembler::Outcome::Accepted) {
            for (const Reading& field : kReadings) {
                if (field.kind == Reading::Kind::Lamp)
                    lamps[field.frameIndex] = lampIsOn(rx.rxFields, field.frameIndex);
                else if (field.frameIndex < rx.rxFields.size())
                    shown[field.frameIndex] = rx.rxFields.at(field.frameIndex);
            }
            if (rx.rxFields.isEmpty())
                std::abort();
        }
        if (rx.rxBuffer().size() > FrameAssembler::kBufferLimit || rx.rxCount() > 71 ||
            (rx.flagRxByte != 0 && rx.flagRxByte != 2) || rx.idleTicks() > 254)
            std::abort();
    }
    return lamps[10] && shown[0].isNull() ? 1 : 0;
}
