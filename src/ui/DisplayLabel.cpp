// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

bool DisplayLabel::layOut()
{
    const QString current = text();
    if (current == m_runText && m_rawFont.isValid())
        return m_runUsable;
    m_runText = current;
    m_runUsable = false;
    if (textFormat() != Qt::PlainText || wordWrap())
        return false;
    // Numbers only: their glyphs are not kerned or joined, so placing them one after the
    // other is exactly what the text layout would do. Any other text takes the full path.
    for (const QChar c : current) {
        if (!c.isDigit() && c != u'.' && c != u'-' && c != u'+' && c != u' ')
            return false;
    }
    if (!m_rawFont.isValid())
        m_rawFont = QRawFont::fromFont(font());
    if (!m_rawFont.isValid())
        return false;
    const QList<quint32> glyphs = m_rawFont.glyphIndexesForString(current);
    if (glyphs.size() != current.size() || glyphs.contains(0u))
        return false;
    const QList<QPointF> advances = m_rawFont.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    qreal x = 0;
    for (const QPointF& advance : advances) {
        positions.append(QPointF(x, 0));
        x += advance.x();
    }
    m_run.setRawFont(m_rawFont);
    m_run.setGlyphIndexes(glyphs);
    m_run.setPositions(positions);
    m_runWidth = x;
    m_runUsable = true;
    return true;
}

void DisplayLabel::paintEvent(QPaintEvent* event)
{
    if (!layOut()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole()));
    const QFontMetricsF metrics(font());
    const QRectF area = contentsRect();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    qreal left = area.left();
    if (align & Qt::AlignHCenter)
        left += (area.width() - m_runWidth) / 2;
    else if (align & Qt::AlignRight)
        left += area.width() - m_runWidth;
    qreal top = area.top();
    if (align & Qt::AlignVCenter)
        top += (area.height() - metrics.height()) / 2;
    else if (align & Qt::AlignBottom)
        top += area.height() - metrics.height();
    painter.drawGlyphRun(QPointF(left, qRound(top) + metrics.ascent()), m_run);
}

void DisplayLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_rawFont = QRawFont();
        m_runText.clear();
    }
    QLabel::changeEvent(event);
}
