// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmAbout;
}

// The About window: the product's name and version, a notice and a web address.
class FrmAbout : public QWidget {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent = nullptr);
    ~FrmAbout() override;

private:
    std::unique_ptr<Ui::FrmAbout> m_ui;
};
