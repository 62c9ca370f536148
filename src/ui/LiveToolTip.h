// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class QWidget;

// A tooltip whose text is made when it shows and made again every second while it stays
// up, for a control that tells how something live is doing.
class LiveToolTip : public QObject {
    Q_OBJECT
public:
    LiveToolTip(QWidget* control, std::function<QString()> text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_control;
    std::function<QString()> m_text;
    QTimer* m_refresh;
};

// Lets a click on a label select the option button beside it, for option buttons that
// are only as wide as their mark.
class LabelSelectsOption : public QObject {
    Q_OBJECT
public:
    LabelSelectsOption(QWidget* label, QWidget* option);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_option;
};
