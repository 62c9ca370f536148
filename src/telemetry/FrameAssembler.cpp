#include "FrameAssembler.h"

#include "serial/CommControl.h"

FrameAssembler::Outcome FrameAssembler::handleEvent(int commEvent, char character)
{
    if (commEvent != CommEvents::Receive) {
        if (rxCount > kCountLimit)
            rxCount = 0;
        return Outcome::None;
    }
    return receive(character);
}

FrameAssembler::Outcome FrameAssembler::receive(char character)
{
    if (rxCount > kCountLimit)
        rxCount = 0;
    idleTicks = 0;

    if (character == kStartCharacter) {
        rxBuffer.clear();
        rxBuffer.append(kStartCharacter);
        rxCount = 0;
        rxStarted = 1;
    } else if (rxBuffer.size() < kBufferLimit) {
        rxBuffer.append(character);
    }
    if (rxStarted == 1)
        ++rxCount;
    if (rxCount != kFrameLength)
        return Outcome::None;

    flagRxByte = kSendWindowOpen;
    const char checked = rxBuffer.at(kCheckedPosition - 1);
    if (checked == ',' || checked == ' ')
        return Outcome::Dropped;
    splitFields();
    return Outcome::Accepted;
}

void FrameAssembler::splitFields()
{
    rxFields = QString::fromLatin1(rxBuffer).split(u',');
    const QStringList nodePieces = rxFields.first().split(u'=');
    if (nodePieces.size() > 1)
        rxFields.first() = nodePieces.at(1);
}

bool FrameAssembler::silenceTick()
{
    ++idleTicks;
    if (idleTicks > kIdleWrap)
        idleTicks = 0;
    return idleTicks == kIdleTicksBeforeReset;
}
