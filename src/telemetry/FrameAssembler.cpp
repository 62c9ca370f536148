// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameAssembler.h"

#include "serial/CommControl.h"

#include <algorithm>
#include <utility>

namespace {

// Whether a field already holds these characters, compared in place; fields are short.
bool holds(const QString& field, QLatin1StringView piece)
{
    if (field.size() != piece.size())
        return false;
    const QChar* text = field.constData();
    return std::equal(piece.begin(), piece.end(), text,
                      [](char c, QChar unit) { return static_cast<unsigned char>(c) == unit.unicode(); });
}

} // namespace

FrameAssembler::Outcome FrameAssembler::handleEvent(int commEvent, char character)
{
    if (commEvent != CommEvents::Receive) {
        if (m_count > kCountLimit)
            m_count = 0;
        return Outcome::None;
    }
    return receive(character);
}

FrameAssembler::Outcome FrameAssembler::completeFrame()
{
    flagRxByte = kSendWindowOpen;
    m_lastFrameStarted = std::exchange(m_restarted, false);
    const char checked = static_cast<char>(m_buffer[kCheckedPosition - 1]);
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
    const char* const begin = reinterpret_cast<const char*>(m_buffer.data());
    const char* const end = begin + m_length;
    qsizetype count = 0;
    for (const char* start = begin;; ++count) {
        const char* const stop = std::find(start, end, ',');
        const char* first = start;
        const char* last = stop;
        if (count == 0) {
            // The node number: the text between the first "=" and the next one, if any.
            const char* const equals = std::find(first, last, '=');
            if (equals != last) {
                first = equals + 1;
                last = std::find(first, last, '=');
            }
        }
        const QLatin1StringView piece(first, last - first);
        if (count < rxFields.size()) {
            // Most fields repeat from frame to frame; an unchanged one is left untouched.
            if (!holds(std::as_const(rxFields)[count], piece))
                rxFields[count] = piece;
        } else {
            rxFields.append(QString(piece));
        }
        if (stop == end)
            break;
        start = stop + 1;
    }
    rxFields.resize(count + 1);
}

bool FrameAssembler::silenceTick()
{
    ++m_idleTicks;
    if (m_idleTicks > kIdleWrap)
        m_idleTicks = 0;
    return m_idleTicks == kIdleTicksBeforeReset;
}
