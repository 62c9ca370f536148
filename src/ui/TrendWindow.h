// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trend/Downsample.h"
#include "trend/LogImport.h"
#include "trend/LogLoader.h"
#include "logging/Clock.h"
#include "trend/TrendBuffer.h"
#include "trend/TrendView.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace Ui {
class TrendWindow;
}
class FrameAssembler;
class TrendPlot;

// The trend window: temperature and humidity over time against their set points, from the
// frames received since the program started or from a log file loaded by the user.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    // The time comes from `clock`, the system's when none is given.
    TrendWindow(const TrendBuffer& live, const FrameAssembler& reception, const Clock* clock = nullptr, QWidget* parent = nullptr);
    ~TrendWindow() override;

    bool following() const { return m_view.following(); }
    const TrendBuffer& shown() const;
    // Starts loading a log file, read in slices between events, to show in place of the
    // live data once read; the reason when it cannot be read at all. The source line says
    // how far the reading is, and why it failed if it does.
    std::optional<QString> loadLog(const QString& path);
    bool loading() const { return m_loader.running(); }
    // Writes the points in the time range shown as CSV.
    std::optional<QString> exportShown(const QString& path);
    // Redraws now from the data and the range.
    void refresh();
    QString statusText() const { return m_status; }
    // What is shown: live frames, a log being read, a loaded log, or why one could not be.
    QString sourceText() const;

public Q_SLOTS:
    void followLive();

protected:
    // The plots' width decides the columns and the live edge's step: drawn again for it.
    void resizeEvent(QResizeEvent* event) override;

private:
    // A plot and the quantities it draws: a reading, its low and its high point.
    struct Plot {
        TrendPlot* view = nullptr;
        std::array<TrendSample::Quantity, 3> quantities{};
    };

    void buildPlot(Plot& plot, TrendPlot* view, const QString& title, const QString& unit,
                   TrendSample::Quantity reading, TrendSample::Quantity low, TrendSample::Quantity high);
    void drawPlot(const Plot& plot, const std::array<QList<TrendSegment>, TrendSample::Count>& lines);
    int columns() const;
    TrendView::Source source() const { return {shown(), m_loaded != nullptr}; }
    void tick();
    void zoom(double factor, double aroundMsecs);
    void pan(double byMsecs);
    void updateStatus();
    QString describe(double msecs) const;
    void openLogClicked();
    void logLoaded(const QString& failure);
    void showSource(const QString& text, bool failed = false);
    void exportClicked();

    std::unique_ptr<Ui::TrendWindow> m_ui;
    const TrendBuffer& m_live;
    const FrameAssembler& m_reception;
    std::unique_ptr<LogImport> m_loaded;
    LogLoader m_loader;
    QString m_loadingName;
    QString m_loadedName;
    Plot m_temperature;
    Plot m_humidity;
    TrendView m_view;
    SystemClock m_systemClock;
    const Clock* m_clock = &m_systemClock;
    QTimer m_tick;
    QString m_status;
};
