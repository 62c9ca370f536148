// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveToolTip.h"

#include <QCursor>
#include <QHelpEvent>
#include <QRadioButton>
#include <QTimer>
#include <QToolTip>

LiveToolTip::LiveToolTip(QWidget* control, std::function<QString()> text)
    : QObject(control), m_control(control), m_text(std::move(text)), m_refresh(new QTimer(this))
{
    m_refresh->setInterval(std::chrono::seconds(1));
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (!QToolTip::isVisible() || !m_control->underMouse()) {
            m_refresh->stop();
            return;
        }
        QToolTip::showText(QCursor::pos(), m_text(), m_control);
    });
    control->installEventFilter(this);
}

bool LiveToolTip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_control || event->type() != QEvent::ToolTip)
        return false;
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_text(), m_control);
    m_refresh->start();
    return true;
}

LabelSelectsOption::LabelSelectsOption(QWidget* label, QWidget* option) : QObject(label), m_option(option)
{
    label->installEventFilter(this);
}

bool LabelSelectsOption::eventFilter(QObject*, QEvent* event)
{
    auto* option = qobject_cast<QRadioButton*>(m_option);
    if (event->type() != QEvent::MouseButtonRelease || !option || option->isChecked())
        return false;
    option->click();
    return true;
}
