// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class FrameAssembler;

// The counters of a line's reception, and the three ways people read them: the link
// line's tooltip, the trend window's status line and the logger's journal.
struct LineCounts {
    quint64 accepted = 0;
    quint64 dropped = 0;
    quint64 notFromNode = 0;
    quint64 characters = 0;
};

LineCounts lineCounts(const FrameAssembler& reception, quint64 notFromNode = 0);

enum class CountsStyle {
    Lines,      // "Frames accepted 9 (2 not from a node), dropped 1\nCharacters received 640"
    StatusLine, // "Frames accepted 9, dropped 1 · characters received 640"
    Journal,    // "frames accepted 9, dropped 1, 2 not from a node; characters received 640"
};
QString lineCountsText(const LineCounts& counts, CountsStyle style);
