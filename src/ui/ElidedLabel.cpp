// SPDX-License-Identifier: GPL-3.0-or-later
#include "ElidedLabel.h"

#include "Accessibility.h"

#include <QEvent>
#include <QPainter>

namespace {
constexpr int kMargin = 2;
}

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    fitHeight();
}

void ElidedLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
    announceNameChange(this);
}

QSize ElidedLabel::sizeHint() const { return {fontMetrics().averageCharWidth() * 20, fontMetrics().height() + 2 * kMargin}; }

void ElidedLabel::fitHeight() { setFixedHeight(fontMetrics().height() + 2 * kMargin); }

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect box = contentsRect().adjusted(0, kMargin, 0, -kMargin);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(m_text, Qt::ElideRight, box.width()));
}

void ElidedLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        fitHeight();
    QWidget::changeEvent(event);
}
