// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGlyphRun>
#include <QLabel>
#include <QRawFont>

// A display field of the main window: a label that draws a number from the font's glyphs
// directly. The node's values change many times a second, and shaping a text through the
// full text layout at every change is most of what a repaint of a field costs. Any text
// other than a number is drawn as a plain label draws it.
class DisplayLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Lays out the current text; false when it needs the full text layout (not a number,
    // a glyph the font lacks, rich text).
    bool layOut();

    QRawFont m_rawFont;
    QGlyphRun m_run;
    QString m_runText;
    qreal m_runWidth = 0;
    bool m_runUsable = false;
};
