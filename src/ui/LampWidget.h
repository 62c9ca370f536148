// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QWidget>

// A round lamp: a filled circle with an outline, on or off. A screen reader is told its
// state, and of each change.
class LampWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
public:
    explicit LampWidget(QWidget* parent = nullptr);

    QColor fillColor() const { return m_fill; }
    QColor borderColor() const { return m_border; }
    void setFillColor(const QColor& colour);
    void setBorderColor(const QColor& colour);
    void setColours(const QColor& fill, const QColor& border);
    // The lamp's look for a state, and the state a screen reader is told.
    void showState(bool on, const QColor& fill, const QColor& border);
    bool isOn() const { return m_on; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The lamp as drawn for each colour pair it has shown: an antialiased circle costs
    // far more to draw than to copy, and a lamp switches between two looks.
    const QPixmap& face();

    QColor m_fill{0x80, 0x00, 0x00};
    QColor m_border{Qt::black};
    bool m_on = false;
    // By fill and outline; drawn for one size, background and pixel ratio.
    QHash<std::pair<QRgb, QRgb>, QPixmap> m_faces;
    QSize m_facesSize;
    QRgb m_facesBackground = 0;
    qreal m_facesRatio = 0;
};
