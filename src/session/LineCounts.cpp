// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineCounts.h"

#include "telemetry/FrameAssembler.h"

LineCounts lineCounts(const FrameAssembler& reception, quint64 notFromNode)
{
    return {reception.framesAccepted, reception.framesDropped, notFromNode, reception.charactersReceived};
}

QString lineCountsText(const LineCounts& counts, CountsStyle style)
{
    switch (style) {
    case CountsStyle::Lines:
        return QStringLiteral("Frames accepted %1, dropped %2\nCharacters received %3")
            .arg(counts.notFromNode == 0 ? QString::number(counts.accepted)
                                         : QStringLiteral("%1 (%2 not from a node)").arg(counts.accepted).arg(counts.notFromNode))
            .arg(counts.dropped)
            .arg(counts.characters);
    case CountsStyle::StatusLine:
        return QStringLiteral("Frames accepted %1, dropped %2 · characters received %3").arg(counts.accepted).arg(counts.dropped).arg(counts.characters);
    case CountsStyle::Journal:
        break;
    }
    return QStringLiteral("frames accepted %1, dropped %2, %3 not from a node; characters received %4")
        .arg(counts.accepted)
        .arg(counts.dropped)
        .arg(counts.notFromNode)
        .arg(counts.characters);
}
