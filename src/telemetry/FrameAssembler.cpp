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
    ++charactersReceived;

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
    if (checked == ',' || checked == ' ') {
        ++framesDropped;
        return Outcome::Dropped;
    }
    splitFields();
    ++framesAccepted;
    return Outcome::Accepted;
}

void FrameAssembler::splitFields()
{
    // Split in place: the field strings keep their storage from frame to frame, so a
    // steady stream of frames allocates nothing here.
    const char* data = rxBuffer.constData();
    const qsizetype size = rxBuffer.size();
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && data[i] != ',')
            continue;
        QLatin1StringView piece(data + start, i - start);
        if (count == 0) {
            // The node number: the text between the first "=" and the next one, if any.
            const qsizetype equals = piece.indexOf(u'=');
            if (equals >= 0) {
                piece = piece.sliced(equals + 1);
                const qsizetype next = piece.indexOf(u'=');
                if (next >= 0)
                    piece = piece.first(next);
            }
        }
        if (count < rxFields.size())
            rxFields[count] = piece;
        else
            rxFields.append(QString(piece));
        ++count;
        start = i + 1;
    }
    rxFields.resize(count);
}

bool FrameAssembler::silenceTick()
{
    ++idleTicks;
    if (idleTicks > kIdleWrap)
        idleTicks = 0;
    return idleTicks == kIdleTicksBeforeReset;
}
