// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrmAbout.h"

#include "Accessibility.h"
#include "Theme.h"
#include "ui_FrmAbout.h"

#include <QShortcut>

FrmAbout::FrmAbout(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::FrmAbout>())
{
    m_ui->setupUi(this);
    applyDesignLook(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    // Escape closes the window, like its close control.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    m_ui->Label1->setText(m_ui->Label1->text().replace(QLatin1String("1.0.0"), QLatin1String(ZEQ_VERSION)));
    // The window's own text stays as it is; the licence is one hover away.
    setToolTip(QStringLiteral(ZEQ_LICENCE));
    installAccessibility();
    markAsDialog(this);
    setAccessibleDescription(QStringLiteral(ZEQ_LICENCE));
}

FrmAbout::~FrmAbout() = default;
