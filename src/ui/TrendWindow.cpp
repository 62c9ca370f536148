// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrendWindow.h"

#include "Accessibility.h"
#include "ElidedLabel.h"
#include "Theme.h"
#include "TrendPlot.h"
#include "ui_TrendWindow.h"

#include "session/LineCounts.h"
#include "telemetry/FrameAssembler.h"
#include "trend/CsvExport.h"
#include "trend/Downsample.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QShortcut>
#include <QFileInfo>
#include <QMessageBox>

#include <cmath>

namespace {

const QColor kTemperatureColour(0xD0, 0x20, 0x20);
const QColor kHumidityColour(0x10, 0x70, 0xD0);
const QColor kLowPointColour(0x20, 0x90, 0x20);
const QColor kHighPointColour(0xE0, 0x80, 0x00);

QString ageText(qint64 msecs)
{
    if (msecs < 0)
        return QStringLiteral("no frame yet");
    if (msecs < 60'000)
        return QStringLiteral("%1 s ago").arg(msecs / 1000.0, 0, 'f', 1);
    return QStringLiteral("%1 min ago").arg(msecs / 60'000);
}

} // namespace

TrendWindow::TrendWindow(const TrendBuffer& live, const FrameAssembler& reception, const Clock* clock, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TrendWindow>()), m_live(live), m_reception(reception)
{
    if (clock)
        m_clock = clock;
    installAccessibility();
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window's face, whose glyphs the program has loaded already: the trend
    // costs no font of its own.
    QFont face = font();
    face.setFamily(QStringLiteral("MS Sans Serif"));
    setFont(face);
    buildPlot(m_temperature, m_ui->plotTemperature, QStringLiteral("Temperature"), QStringLiteral("°C"),
              TrendSample::Temperature, TrendSample::LowTemperature, TrendSample::HighTemperature);
    buildPlot(m_humidity, m_ui->plotHumidity, QStringLiteral("Humidity"), QStringLiteral("%RH"),
              TrendSample::Humidity, TrendSample::LowHumidity, TrendSample::HighHumidity);

    connect(m_ui->cbSpan, &QComboBox::activated, this, [this](int index) {
        m_view.chooseSpan(TrendView::kSpans[static_cast<std::size_t>(index)]);
        refresh();
    });
    connect(m_ui->cmdLive, &QPushButton::clicked, this, &TrendWindow::followLive);
    connect(m_ui->cmdOpenLog, &QPushButton::clicked, this, &TrendWindow::openLogClicked);
    connect(m_ui->cmdExport, &QPushButton::clicked, this, &TrendWindow::exportClicked);
    connect(&m_loader, &LogLoader::progressed, this,
            [this](int percent) { showSource(QStringLiteral("reading %1: %2 %").arg(m_loadingName).arg(percent)); });
    connect(&m_loader, &LogLoader::finished, this, &TrendWindow::logLoaded);
    // Escape closes the window, as it does the configuration and About windows.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    for (TrendPlot* view : {m_ui->plotTemperature, m_ui->plotHumidity}) {
        connect(view, &TrendPlot::zoomRequested, this, &TrendWindow::zoom);
        connect(view, &TrendPlot::panRequested, this, &TrendWindow::pan);
        view->setDescriber([this](double msecs) { return describe(msecs); });
    }
    // Each paint of a window waits for the display server: the plots and the status line
    // are drawn when the view says they are due, and only while shown.
    m_tick.setInterval(std::chrono::milliseconds(TrendView::kTickPeriod));
    connect(&m_tick, &QTimer::timeout, this, &TrendWindow::tick);
    m_tick.start();
    m_view.startCounting(m_reception.framesAccepted);
    refresh();
    updateStatus();
    showSource(QStringLiteral("Live: every frame since the program started"));
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout gives the plots their new size after this event: drawn once it has.
    QTimer::singleShot(0, this, &TrendWindow::refresh);
}

const TrendBuffer& TrendWindow::shown() const { return m_loaded ? m_loaded->samples : m_live; }

void TrendWindow::buildPlot(Plot& plot, TrendPlot* view, const QString& title, const QString& unit,
                            TrendSample::Quantity reading, TrendSample::Quantity low, TrendSample::Quantity high)
{
    plot.view = view;
    plot.quantities = {reading, low, high};
    view->setTitle(title, unit);
    view->setLines({
        {title, reading == TrendSample::Temperature ? kTemperatureColour : kHumidityColour, Qt::SolidLine},
        {QStringLiteral("low point"), kLowPointColour, Qt::DashLine},
        {QStringLiteral("high point"), kHighPointColour, Qt::DashLine},
    });
}

void TrendWindow::drawPlot(const Plot& plot, const std::array<QList<TrendSegment>, TrendSample::Count>& lines)
{
    std::vector<QList<TrendSegment>> runs;
    for (const TrendSample::Quantity quantity : plot.quantities)
        runs.push_back(lines[quantity]);
    plot.view->setData(std::move(runs), m_view.from(), m_view.to());
}

int TrendWindow::columns() const
{
    const int plotWidth = m_ui->plotTemperature->plotArea().width();
    return plotWidth > 1 ? plotWidth : width();
}

void TrendWindow::tick()
{
    const TrendView::Due due = m_view.tick(source(), columns(), m_clock->nowMsecs(), m_clock->monotonicMsecs(), m_reception.framesAccepted);
    if (due.plots)
        refresh();
    if (due.status)
        updateStatus();
}

void TrendWindow::refresh()
{
    m_view.drawing(source(), columns(), m_clock->nowMsecs(), m_clock->monotonicMsecs());
    const auto lines = downsampleAll(shown(), m_view.from(), m_view.to(), columns(),
                                     m_loaded ? m_loaded->longestStepMsecs() : kLiveLongestStepMsecs);
    drawPlot(m_temperature, lines);
    drawPlot(m_humidity, lines);
}

void TrendWindow::followLive()
{
    m_view.follow();
    m_loader.cancel();
    m_loaded.reset();
    showSource(QStringLiteral("Live: every frame since the program started"));
    m_ui->cmdLive->setChecked(true);
    refresh();
    updateStatus();
}

void TrendWindow::zoom(double factor, double aroundMsecs)
{
    m_ui->cmdLive->setChecked(false);
    if (m_view.zoom(factor, aroundMsecs))
        refresh();
}

void TrendWindow::pan(double byMsecs)
{
    m_ui->cmdLive->setChecked(false);
    m_view.pan(byMsecs);
    refresh();
}

QString TrendWindow::describe(double msecs) const
{
    const TrendBuffer& samples = shown();
    if (samples.empty())
        return {};
    std::size_t i = samples.lowerBound(static_cast<std::int64_t>(msecs));
    if (i == samples.size() || (i > 0 && msecs - static_cast<double>(samples.at(i - 1).msecsSinceEpoch) <
                                          static_cast<double>(samples.at(i).msecsSinceEpoch) - msecs))
        i = i == 0 ? 0 : i - 1;
    const TrendSample& sample = samples.at(i);
    const auto text = [](float value) { return std::isnan(value) ? QStringLiteral("—") : QString::number(value, 'f', 1); };
    return QStringLiteral("%1\nTemperature %2 °C (points %3 .. %4)\nHumidity %5 %RH (points %6 .. %7)")
        .arg(QDateTime::fromMSecsSinceEpoch(sample.msecsSinceEpoch).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             text(sample.value(TrendSample::Temperature)), text(sample.value(TrendSample::LowTemperature)),
             text(sample.value(TrendSample::HighTemperature)), text(sample.value(TrendSample::Humidity)),
             text(sample.value(TrendSample::LowHumidity)), text(sample.value(TrendSample::HighHumidity)));
}

void TrendWindow::updateStatus()
{
    m_view.statusShown(m_clock->monotonicMsecs());
    const qint64 age = m_live.empty() ? -1 : m_clock->nowMsecs() - m_live.at(m_live.size() - 1).msecsSinceEpoch;
    m_status = QStringLiteral("%1 · last frame %2 · %3 frames/s")
                   .arg(lineCountsText(lineCounts(m_reception), CountsStyle::StatusLine), ageText(age))
                   .arg(m_view.frameRate(), 0, 'f', 1);
    m_ui->lblStatus->setText(m_status);
}

void TrendWindow::showSource(const QString& text, bool failed)
{
    m_ui->lblSource->setText(text);
    QPalette palette = m_ui->lblSource->palette();
    const QColor background = QApplication::palette().color(QPalette::Window);
    palette.setColor(QPalette::WindowText, failed ? failureColour(background) : QApplication::palette().color(QPalette::WindowText));
    m_ui->lblSource->setPalette(palette);
}

QString TrendWindow::sourceText() const { return m_ui->lblSource->text(); }

std::optional<QString> TrendWindow::loadLog(const QString& path)
{
    m_loadingName = QFileInfo(path).fileName();
    if (const auto failure = m_loader.start(path)) {
        showSource(QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), *failure), true);
        return failure;
    }
    showSource(QStringLiteral("reading %1: 0 %").arg(m_loadingName));
    return std::nullopt;
}

void TrendWindow::logLoaded(const QString& failure)
{
    if (!failure.isEmpty()) {
        showSource(QStringLiteral("cannot read %1: %2").arg(m_loadingName, failure), true);
        return;
    }
    m_loaded = m_loader.take();
    m_loadedName = m_loadingName;
    showSource(QStringLiteral("showing %1: %2 records, %3 malformed %4 skipped")
                   .arg(m_loadedName)
                   .arg(m_loaded->records)
                   .arg(m_loaded->malformed)
                   .arg(m_loaded->malformed == 1 ? QStringLiteral("line") : QStringLiteral("lines")));
    m_ui->cmdLive->setChecked(false);
    m_view.showWhole(m_loaded->samples);
    m_ui->cbSpan->setCurrentIndex(static_cast<int>(TrendView::kSpans.size()) - 1);
    refresh();
    updateStatus();
}

std::optional<QString> TrendWindow::exportShown(const QString& path)
{
    const TrendBuffer& samples = shown();
    return exportCsv(path, samples, samples.lowerBound(m_view.from()), samples.lowerBound(m_view.to() + 1));
}

void TrendWindow::openLogClicked()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open log"), QString(),
                                                      QStringLiteral("Logs (*.txt);;All files (*)"));
    if (!path.isEmpty())
        loadLog(path); // a failure is said on the source line
}

void TrendWindow::exportClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QStringLiteral("trend.csv"),
                                                      QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (const auto failure = exportShown(path))
        QMessageBox::warning(this, QStringLiteral("Export CSV"), QStringLiteral("Cannot write %1: %2").arg(path, *failure));
}
