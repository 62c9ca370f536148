// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// One line of text of a fixed height, cut with "…" when it does not fit, the whole text in
// its tooltip. Setting the text repaints the line and never asks the layout for a size:
// a status line that changes several times a second costs a repaint, not a layout pass.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitHeight();

    QString m_text;
};
