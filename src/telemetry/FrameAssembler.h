// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <cstdint>

// Turns the received characters into status frames. A frame starts at "?" and is
// interpreted when its 70th character has been counted; its fields are separated by ",".
// The state is the receiving window's and is never reset by opening or closing the port.
class FrameAssembler {
public:
    static constexpr char kStartCharacter = '?';
    static constexpr int kFrameLength = 70;
    static constexpr int kCountLimit = kFrameLength; // past this the count starts again
    // An endless stream without "?" must not grow memory; frames are far shorter.
    static constexpr qsizetype kBufferLimit = 4096;
    static constexpr int kCheckedPosition = 7; // this character must be neither "," nor " "
    static constexpr std::uint8_t kSendWindowOpen = 2;
    static constexpr std::uint8_t kIdleWrap = 254;
    static constexpr std::uint8_t kIdleTicksBeforeReset = 6;

    enum class Outcome { None, Dropped, Accepted };

    // One receive event of any kind; only kind 2 carries a character.
    Outcome handleEvent(int commEvent, char character);
    // One received character.
    Outcome receive(char character)
    {
        qsizetype consumed = 0;
        return receive(QByteArrayView(&character, 1), consumed);
    }

    // A run of received characters, each handled as if received alone: stops after the
    // character that completes a frame, with `consumed` saying how many were taken, or
    // takes them all. Inline, with the state in locals, because it runs for every
    // character on the line.
    Outcome receive(QByteArrayView characters, qsizetype& consumed)
    {
        unsigned count = m_count;
        unsigned started = m_started;
        qsizetype length = m_length;
        quint64 received = charactersReceived;
        Outcome outcome = Outcome::None;
        qsizetype i = 0;
        while (i < characters.size()) {
            const char character = characters[i++];
            if (count > kCountLimit)
                count = 0;
            ++received;
            if (character == kStartCharacter) {
                length = 0;
                count = 0;
                started = 1;
                m_restarted = true;
            }
            if (length < kBufferLimit)
                m_buffer[static_cast<std::size_t>(length++)] = static_cast<char8_t>(character);
            count += started;
            if (count == kFrameLength)
                break;
        }
        consumed = i;
        if (i > 0)
            m_idleTicks = 0;
        m_count = count;
        m_started = started;
        m_length = length;
        charactersReceived = received;
        if (count == kFrameLength)
            outcome = completeFrame();
        return outcome;
    }

    // The characters collected since the last "?", at most kBufferLimit of them.
    QByteArrayView rxBuffer() const { return QByteArrayView(reinterpret_cast<const char*>(m_buffer.data()), m_length); }
    // Receive events counted since the last "?", that one included: 0 to 71.
    std::uint8_t rxCount() const { return static_cast<std::uint8_t>(m_count); }
    // 1 from the first "?" on.
    std::uint8_t rxStarted() const { return static_cast<std::uint8_t>(m_started); }
    // Silence ticks since the last receive event.
    std::uint8_t idleTicks() const { return static_cast<std::uint8_t>(m_idleTicks); }

    // A tick of the silence timer; true when the display must return to its idle look.
    bool silenceTick();
    // Counts silence from now, as if a character had just come.
    void restartIdleCount() { m_idleTicks = 0; }
    // The tick that ends the send window.
    void closeSendWindow() { flagRxByte = 0; }

    // Whether the last completed frame began at a "?" of its own; a frame completed by
    // counting on past the 70th character without one repeats an older frame's text.
    bool lastFrameStarted() const { return m_lastFrameStarted; }

    // Kept public under the names the rest of the program uses for them.
    std::uint8_t flagRxByte = 0;
    QStringList rxFields;

    // Totals since creation, for diagnostics and measurements.
    quint64 charactersReceived = 0;
    quint64 framesAccepted = 0;
    quint64 framesDropped = 0;

private:
    Outcome completeFrame();
    void splitFields();

    // A fixed buffer rather than a growing array: appending a character is one store.
    std::array<char8_t, kBufferLimit> m_buffer{};
    qsizetype m_length = 0;
    unsigned m_count = 0;
    unsigned m_started = 0;
    unsigned m_idleTicks = 0;
    bool m_restarted = false;
    bool m_lastFrameStarted = false;
};
