// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrmSet.h"

#include "Accessibility.h"
#include "Theme.h"
#include "ui_FrmSet.h"

#include "config/ConfigSender.h"
#include "config/Settings.h"

#include <QApplication>
#include <QShortcut>
#include <QTimer>

#include <array>

namespace {

// The window's number inputs, in the order of their names, with the setting each takes and
// the label beside it.
struct NumberInput {
    const char* control;
    Setting setting;
    const char* caption;
};
constexpr std::array<NumberInput, 8> kNumberInputs{{
    {"Text1", Setting::Node, "Label14"},
    {"Text2", Setting::Mode, "Label15"},
    {"Text3", Setting::Pwm, "Label16"},
    {"Text4", Setting::MaxSensor, "Label1"},
    {"Text5", Setting::TemperatureLow, "Label18"},
    {"Text6", Setting::TemperatureHigh, "Label19"},
    {"Text7", Setting::HumidityLow, "Label20"},
    {"Text8", Setting::HumidityHigh, "Label21"},
}};

} // namespace

FrmSet::FrmSet(ConfigSender& sender, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmSet>()), m_sender(sender)
{
    m_ui->setupUi(this);
    applyDesignLook(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    for (const NumberInput& number : kNumberInputs) {
        auto* input = findChild<QLineEdit*>(QLatin1String(number.control));
        connect(input, &QLineEdit::textChanged, this, [input, setting = number.setting] {
            if (!inputStays(input->text(), inputLimits(setting)))
                input->clear();
        });
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
    describeControls();
    m_ui->Command1->setFocus();
    // Escape closes the window, like its close control.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}

FrmSet::~FrmSet() = default;

void FrmSet::describeControls()
{
    installAccessibility();
    markAsDialog(this);
    for (const NumberInput& number : kNumberInputs) {
        const InputLimits& limits = inputLimits(number.setting);
        nameAfterCaption(findChild<QLineEdit*>(QLatin1String(number.control)), findChild<QLabel*>(QLatin1String(number.caption)),
                         QStringLiteral("%1: a number up to %2, at most %3 %4%5")
                             .arg(QLatin1StringView(limits.description))
                             .arg(limits.maxValue)
                             .arg(limits.maxLength)
                             .arg(limits.maxLength == 1 ? QStringLiteral("character") : QStringLiteral("characters"))
                             .arg(number.setting == Setting::Node ? QStringLiteral("; changing it gives the node a new address")
                                                                  : QString()));
    }
    // The option buttons show only their marks; the label beside each says what it sets,
    // and its group which setting.
    struct Option {
        QRadioButton* button;
        QLabel* caption;
        QGroupBox* group;
        const char* description;
    };
    for (const Option& option : {Option{m_ui->Option5, m_ui->Label6, m_ui->Frame3, "relay 1 on, sent as 1"},
                                 Option{m_ui->Option6, m_ui->Label7, m_ui->Frame3, "relay 1 off, sent as 0"},
                                 Option{m_ui->Option7, m_ui->Label8, m_ui->Frame4, "relay 2 on, sent as 1"},
                                 Option{m_ui->Option8, m_ui->Label9, m_ui->Frame4, "relay 2 off, sent as 0"},
                                 Option{m_ui->Option9, m_ui->Label10, m_ui->Frame5, "HOT-COLD HH, sent as 11"},
                                 Option{m_ui->Option10, m_ui->Label11, m_ui->Frame5, "HOT-COLD HC, sent as 10"},
                                 Option{m_ui->Option11, m_ui->Label12, m_ui->Frame5, "HOT-COLD CH, sent as 1"},
                                 Option{m_ui->Option12, m_ui->Label13, m_ui->Frame5, "HOT-COLD CC, sent as 0"}}) {
        nameAfterCaption(option.button, option.caption, QLatin1String(option.description));
        option.button->setAccessibleName(option.group->title() + u' ' + option.button->accessibleName());
    }
    // A group inside the frame is named by its own title, not the frame's.
    for (QGroupBox* group : {m_ui->Frame3, m_ui->Frame4, m_ui->Frame5})
        group->setAccessibleName(group->title());
    // One pixel high, it shows nothing.
    hideFromAccessibility(m_ui->Label23);
    m_ui->lblCommandStatus->setAccessibleDescription(QStringLiteral("what became of the last command"));
}

ConfigInputs FrmSet::inputs() const
{
    ConfigInputs in;
    for (const NumberInput& number : kNumberInputs)
        in.*settingRow(number.setting).text = findChild<QLineEdit*>(QLatin1String(number.control))->text();
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
    for (const NumberInput& number : kNumberInputs) {
        const InputLimits& limits = inputLimits(number.setting);
        const QString text = findChild<QLineEdit*>(QLatin1String(number.control))->text();
        if (const std::optional<QString> reason = valueRefusal(text, limits)) {
            QString caption = findChild<QLabel*>(QLatin1String(number.caption))->text().trimmed();
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
    // The time and the frames counted stand in the tooltip; the line keeps its room for
    // what differs.
    QStringList lines{QStringLiteral("#%1 not applied; the node shows:").arg(confirmation.sequence())};
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
    const QColor background = QApplication::palette().color(QPalette::Window);
    const QColor colour = failed ? failureColour(background) : QApplication::palette().color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, colour);
    m_ui->lblCommandStatus->setPalette(palette);
}
