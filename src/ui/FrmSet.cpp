// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrmSet.h"

#include "Theme.h"
#include "ui_FrmSet.h"

#include "config/ConfigSender.h"

#include <QApplication>
#include <QTimer>

namespace {
// The system's red, as the link's lost state shows it.
const QColor kFailureRed(0xFF, 0x00, 0x00);
} // namespace
#include "config/InputCheck.h"

#include <QShortcut>

FrmSet::FrmSet(ConfigSender& sender, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmSet>()), m_sender(sender)
{
    m_ui->setupUi(this);
    applyDesignLook(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    for (const InputLimits& limits : kInputLimits) {
        auto* input = findChild<QLineEdit*>(QLatin1String(limits.control));
        const QString control = QLatin1String(limits.control);
        connect(input, &QLineEdit::textChanged, this, [this, control] { checkInput(control); });
        // A refusal stands until the user changes what it was about.
        connect(input, &QLineEdit::textEdited, this, [this] {
            if (!std::exchange(m_refusal, QString()).isEmpty())
                showCommandStatus();
        });
    }
    connect(m_ui->Command1, &QPushButton::clicked, this, &FrmSet::sendClicked);
    connect(&m_sender, &ConfigSender::commandsSent, this, &FrmSet::clearInputs);
    connect(&m_sender, &ConfigSender::statusChanged, this, &FrmSet::showCommandStatus);
    connect(m_ui->lblCommandStatus, &QLabel::linkActivated, &m_sender, &ConfigSender::cancel);
    // A waiting command's line says whether the port is open; that changes outside the sender.
    m_statusRefresh = new QTimer(this);
    m_statusRefresh->setInterval(1000);
    connect(m_statusRefresh, &QTimer::timeout, this, &FrmSet::showCommandStatus);
    m_statusRefresh->start();
    showCommandStatus();
    m_ui->Command1->setFocus();
    // Escape closes the window, like its close control.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}

FrmSet::~FrmSet() = default;

void FrmSet::checkInput(const QString& control)
{
    for (const InputLimits& limits : kInputLimits) {
        if (control != QLatin1String(limits.control))
            continue;
        auto* input = findChild<QLineEdit*>(control);
        if (!inputStays(input->text(), limits))
            input->clear();
        return;
    }
}

ConfigInputs FrmSet::inputs() const
{
    ConfigInputs in;
    in.sensorNumber = m_ui->Text1->text();
    in.mode = m_ui->Text2->text();
    in.pwm = m_ui->Text3->text();
    in.maxSensor = m_ui->Text4->text();
    in.lowTemperature = m_ui->Text5->text();
    in.highTemperature = m_ui->Text6->text();
    in.lowHumidity = m_ui->Text7->text();
    in.highHumidity = m_ui->Text8->text();
    using Relay = ConfigInputs::Relay;
    in.relay1 = m_ui->Option5->isChecked() ? Relay::On : m_ui->Option6->isChecked() ? Relay::Off : Relay::None;
    in.relay2 = m_ui->Option7->isChecked() ? Relay::On : m_ui->Option8->isChecked() ? Relay::Off : Relay::None;
    using HotCold = ConfigInputs::HotCold;
    in.hotCold = m_ui->Option9->isChecked()    ? HotCold::HH
                 : m_ui->Option10->isChecked() ? HotCold::HC
                 : m_ui->Option11->isChecked() ? HotCold::CH
                 : m_ui->Option12->isChecked() ? HotCold::CC
                                               : HotCold::None;
    return in;
}

QString FrmSet::inputsRefusal() const
{
    for (const InputLimits& limits : kInputLimits) {
        const QString text = findChild<QLineEdit*>(QLatin1String(limits.control))->text();
        if (const std::optional<QString> reason = valueRefusal(text, limits)) {
            QString caption = findChild<QLabel*>(QLatin1String(limits.caption))->text().trimmed();
            if (caption.endsWith(u'='))
                caption.chop(1);
            return QStringLiteral("Not sent: %1 (%2) \"%3\" is %4").arg(caption, QLatin1StringView(limits.description), text, *reason);
        }
    }
    return {};
}

void FrmSet::sendClicked()
{
    // Half a number ("-", ".", "2.") may stand while typing; it never goes to the node.
    m_refusal = inputsRefusal();
    if (!m_refusal.isEmpty()) {
        showCommandStatus();
        return;
    }
    m_sender.submit(inputs());
}

void FrmSet::clearInputs()
{
    for (QLineEdit* input : findChildren<QLineEdit*>())
        input->clear();
    // An exclusive group cannot be emptied by unchecking one button; lift the rule briefly.
    for (QRadioButton* option : findChildren<QRadioButton*>()) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

QString FrmSet::resultText() const
{
    const CommandConfirmation& confirmation = m_sender.confirmation();
    if (confirmation.state() != CommandConfirmation::State::NotApplied)
        return m_sender.statusText();
    QStringList lines{QStringLiteral("%1: not applied after %2 frames; the node shows:")
                          .arg(m_sender.statusText().section(QStringLiteral(": "), 0, 0))
                          .arg(CommandConfirmation::kFramesToCheck)};
    for (const CommandConfirmation::Difference& difference : confirmation.differences())
        lines.append(QStringLiteral("%1 %2, not %3")
                         .arg(difference.name, difference.shown.isEmpty() ? QStringLiteral("nothing") : difference.shown, difference.sent));
    // As many lines as the room holds; the rest are counted, and the tooltip has them all.
    const QLabel* label = m_ui->lblCommandStatus;
    const auto fits = [label](const QString& text) {
        return label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, text).height() <= label->contentsRect().height();
    };
    for (qsizetype shown = lines.size(); shown > 1; --shown) {
        QString text = lines.mid(0, shown).join(u'\n');
        if (shown < lines.size())
            text += QStringLiteral("\n... %1 more in the tooltip").arg(lines.size() - shown);
        if (fits(text))
            return text;
    }
    return lines.constFirst();
}

void FrmSet::showCommandStatus()
{
    const QString text = m_refusal.isEmpty() ? resultText() : m_refusal;
    const bool failed = !m_refusal.isEmpty() || m_sender.confirmation().failed();
    QString shown = text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
    if (m_refusal.isEmpty() && m_sender.confirmation().state() == CommandConfirmation::State::Waiting)
        shown += QStringLiteral(" <a href=\"cancel\">Cancel</a>");
    if (m_ui->lblCommandStatus->text() != shown)
        m_ui->lblCommandStatus->setText(shown);
    m_ui->lblCommandStatus->setToolTip(m_refusal.isEmpty() ? m_sender.statusText() : m_refusal);
    QPalette palette = m_ui->lblCommandStatus->palette();
    const QColor colour = failed ? kFailureRed : QApplication::palette().color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, colour);
    m_ui->lblCommandStatus->setPalette(palette);
}
