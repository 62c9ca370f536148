// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigCommand.h"

#include <QWidget>

class QTimer;

#include <memory>

namespace Ui {
class FrmSet;
}
class ConfigSender;

// The configuration window: set points, relays, HOT-COLD, PWM and mode, sent to the node
// as one command per press of "Send". Its inputs live only while it is open.
class FrmSet : public QWidget {
    Q_OBJECT
public:
    explicit FrmSet(ConfigSender& sender, QWidget* parent = nullptr);
    ~FrmSet() override;

    // The inputs and selections as they stand.
    ConfigInputs inputs() const;
    // Empties every input and unselects every option.
    void clearInputs();

public Q_SLOTS:
    void sendClicked();

private:
    void describeControls();
    // Why the inputs cannot be sent as they stand (a number not yet complete), naming the
    // input; empty when they can.
    QString inputsRefusal() const;
    // Shows the status of the last command, which belongs to the sender, not to the window,
    // or why the inputs were not sent.
    void showCommandStatus();
    // The status as the result line shows it: a command the node did not apply lists each
    // difference on a line of its own, as many as the line's room holds.
    QString resultText() const;

    std::unique_ptr<Ui::FrmSet> m_ui;
    ConfigSender& m_sender;
    QTimer* m_statusRefresh;
    QString m_refusal;
};
