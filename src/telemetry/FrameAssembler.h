#pragma once

#include <QByteArray>
#include <QStringList>

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
    Outcome receive(char character);

    // A tick of the silence timer; true when the display must return to its idle look.
    bool silenceTick();
    // The tick that ends the send window.
    void closeSendWindow() { flagRxByte = 0; }

    // Kept public under the names the rest of the program uses for them.
    QByteArray rxBuffer;
    std::uint8_t rxCount = 0;
    std::uint8_t rxStarted = 0;
    std::uint8_t idleTicks = 0;
    std::uint8_t flagRxByte = 0;
    QStringList rxFields;

    // Totals since creation, for diagnostics and measurements.
    quint64 charactersReceived = 0;
    quint64 framesAccepted = 0;
    quint64 framesDropped = 0;

private:
    void splitFields();
};
