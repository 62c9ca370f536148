// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/CsvExport.h"
#include "trend/Downsample.h"
#include "trend/LogImport.h"
#include "trend/LogLoader.h"
#include "trend/PlotAxes.h"
#include "trend/TrendBuffer.h"
#include "trend/TrendView.h"

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <random>

namespace {

TrendSample sampleAt(std::int64_t msecs, float temperature, float lowPoint = 20)
{
    TrendSample sample;
    sample.msecsSinceEpoch = msecs;
    std::fill(std::begin(sample.values), std::end(sample.values), 1.0f);
    sample.values[TrendSample::Temperature] = temperature;
    sample.values[TrendSample::LowTemperature] = lowPoint;
    return sample;
}

// The drawn lines read sample by sample, as plainly as they can be: each column's lowest
// and highest reading in the order they came, a set point's level looked at once per
// column, a value that is not a number ending a run.
std::array<QList<TrendSegment>, TrendSample::Count> plainDownsample(const TrendBuffer& buffer, std::int64_t from, std::int64_t to,
                                                                     int columns, std::int64_t longestStep)
{
    std::array<QList<TrendSegment>, TrendSample::Count> lines;
    const double width = std::max(1.0, static_cast<double>(to - from) / columns);
    const std::size_t first = buffer.lowerBound(from) > 0 ? buffer.lowerBound(from) - 1 : 0;
    const std::size_t last = std::min(buffer.size(), buffer.lowerBound(to) + 1);
    for (int q = TrendSample::Temperature; q < TrendSample::Count; ++q) {
        const bool reading = q == TrendSample::Temperature || q == TrendSample::Humidity;
        TrendSegment run;
        int column = -1;
        std::optional<std::pair<QPointF, QPointF>> extremes; // low, high of the column begun
        float level = 0;
        double lastX = 0;
        const auto endColumn = [&] {
            if (!extremes)
                return;
            const auto [low, high] = *extremes;
            if (low == high)
                run.append(low);
            else
                run.append(low.x() <= high.x() ? QList<QPointF>{low, high} : QList<QPointF>{high, low});
            extremes.reset();
        };
        const auto endRun = [&] {
            endColumn();
            if (!reading && !run.isEmpty())
                run.append(QPointF(lastX, level));
            if (!run.isEmpty())
                lines[q].append(std::exchange(run, {}));
        };
        for (std::size_t i = first; i < last; ++i) {
            const double x = static_cast<double>(buffer.at(i).msecsSinceEpoch);
            const float value = buffer.at(i).values[q];
            if (i > first && buffer.at(i).msecsSinceEpoch - buffer.at(i - 1).msecsSinceEpoch > longestStep)
                endRun();
            const int c = std::clamp(static_cast<int>((buffer.at(i).msecsSinceEpoch - from) / width), 0, columns - 1);
            if (std::isnan(value)) {
                endRun();
                continue;
            }
            if (reading) {
                if (extremes && c == column) {
                    if (value < extremes->first.y())
                        extremes->first = {x, value};
                    if (value > extremes->second.y())
                        extremes->second = {x, value};
                } else {
                    endColumn();
                    extremes = {{x, value}, {x, value}};
                }
            } else if (run.isEmpty()) {
                run.append({x, value});
                level = value;
            } else if (value != level && c != column) {
                run.append({{x, level}, {x, value}});
                level = value;
            }
            column = c;
            lastX = x;
        }
        endRun();
    }
    return lines;
}

} // namespace

class TrendTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bufferKeepsTheNewestUpToItsBound()
    {
        TrendBuffer buffer(3);
        for (int i = 0; i < 5; ++i)
            buffer.append(sampleAt(i * 1000, static_cast<float>(i)));
        QCOMPARE(buffer.size(), std::size_t(3));
        QCOMPARE(buffer.memoryBytes(), 3 * sizeof(TrendSample) + 3 * sizeof(TrendBlock)); // no spare room
        QCOMPARE(buffer.at(0).msecsSinceEpoch, 2000);
        QCOMPARE(buffer.at(2).msecsSinceEpoch, 4000);
        QCOMPARE(buffer.lowerBound(2500), std::size_t(1));
        for (const auto& [text, value] : std::initializer_list<std::pair<const char*, float>>{
                 {" 25.3", 25.3f}, {"-9.8", -9.8f}, {"007", 7.0f}, {"+5", 5.0f}, {"54.449999999999999", 54.45f}}) {
            QCOMPARE(trendValue(QString::fromLatin1(text)), value);
        }
        for (const char* text : {"2x", "", "-", ".", "1.2.3", "--1", "1e999", "1e2", "inf", "0x10", "+-1"})
            QVERIFY2(std::isnan(trendValue(QString::fromLatin1(text))), text);
    }

    // A live view's right edge moves on in power-of-two steps of at least a column's time.
    void liveEdgeStepsByAboutAColumn()
    {
        const std::initializer_list<std::array<std::int64_t, 4>> rows{
            // newest, span, columns, edge
            {1000, 600000, 700, 1024}, // a column is 858 ms: steps of 1024
            {1024, 600000, 700, 1024},
            {1025, 600000, 700, 2048},
            {1765000000123, 86400000, 970, 1765000085504}, // 89.1 s a column: steps of 131.072 s
            {-3, 8, 1, 0},
            {5, 600000, 0, 5},
        };
        for (const auto& [newest, span, columns, edge] : rows)
            QCOMPARE(steppedLiveEdge(newest, span, static_cast<int>(columns)), edge);
    }

    // Many samples a column become its minimum and maximum in the order they came; a
    // value that is not a number splits the line and is never drawn as zero.
    void downsamplingKeepsExtremesAndGaps()
    {
        TrendBuffer buffer;
        // Column 0 (0..999 ms): 5, 9, 1, 6 -> max 9 then min 1. Column 1: 4, NaN, 7.
        const std::vector<std::pair<int, float>> samples{{0, 5}, {100, 9}, {200, 1}, {300, 6}, {1000, 4}, {1100, NAN}, {1200, 7}};
        for (const auto& [at, value] : samples)
            buffer.append(sampleAt(at, value));
        const QList<TrendSegment> segments = downsampleAll(buffer, 0, 2000, 2)[TrendSample::Temperature];
        QCOMPARE(segments.size(), 2);
        QCOMPARE(segments[0], (TrendSegment{{100, 9}, {200, 1}, {1000, 4}}));
        QCOMPARE(segments[1], (TrendSegment{{1200, 7}}));

        TrendBuffer week;
        for (int i = 0; i < 604800; ++i)
            week.append(sampleAt(std::int64_t(i) * 1000, static_cast<float>(i % 600) / 10.0f, i < 300000 ? 20 : 22));
        const auto lines = downsampleAll(week, 0, 604800000, 1000);
        const QList<TrendSegment>& drawn = lines[TrendSample::Temperature];
        QCOMPARE(drawn.size(), 1);
        QVERIFY(drawn[0].size() <= 2000);
        const auto [low, high] = std::minmax_element(drawn[0].begin(), drawn[0].end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
        QCOMPARE(low->y(), 0.0);
        QCOMPARE(high->y(), qreal(59.9f));
        // A set point is a step: level, upright at the change, level again.
        const QList<TrendSegment>& steps = lines[TrendSample::LowTemperature];
        QCOMPARE(steps.size(), 1);
        QCOMPARE(steps[0].size(), 4);
        QCOMPARE(steps[0][1].y(), 20.0);
        QCOMPARE(steps[0][2].y(), 22.0);
        QCOMPARE(steps[0][1].x(), steps[0][2].x());
    }

    // Over a wrapped buffer of noisy samples with gaps and set point changes, every
    // column still shows its true lowest and highest value, summaries or not.
    void summariesKeepEachColumnsExtremes()
    {
        TrendBuffer buffer(5000);
        std::mt19937 random(4810);
        for (int i = 0; i < 9000; ++i) {
            const float value = random() % 500 == 0 ? NAN : static_cast<float>(random() % 1000) / 10.0f;
            buffer.append(sampleAt(std::int64_t(i) * 100, value, i % 2500 == 0 ? 21 : 20));
        }
        const std::int64_t from = buffer.at(0).msecsSinceEpoch;
        const std::int64_t to = buffer.at(buffer.size() - 1).msecsSinceEpoch + 1;
        const int columns = 7;
        const double width = static_cast<double>(to - from) / columns;
        const auto lines = downsampleAll(buffer, from, to, columns);
        for (int c = 0; c < columns; ++c) {
            float low = INFINITY;
            float high = -INFINITY;
            for (std::size_t i = 0; i < buffer.size(); ++i) {
                const TrendSample& sample = buffer.at(i);
                if (static_cast<int>((sample.msecsSinceEpoch - from) / width) == c && !std::isnan(sample.value(TrendSample::Temperature))) {
                    low = std::min(low, sample.value(TrendSample::Temperature));
                    high = std::max(high, sample.value(TrendSample::Temperature));
                }
            }
            QList<qreal> drawn;
            for (const TrendSegment& run : lines[TrendSample::Temperature])
                for (const QPointF& p : run)
                    if (static_cast<int>((p.x() - static_cast<qreal>(from)) / width) == c)
                        drawn.append(p.y());
            QVERIFY2(drawn.contains(qreal(low)) && drawn.contains(qreal(high)), qPrintable(QString::number(c)));
            QVERIFY(*std::min_element(drawn.begin(), drawn.end()) == qreal(low));
        }
    }

    // The summaries drawn from are a shortcut, never a different picture: over random
    // wrapped buffers with gaps in every quantity, a clock set back, and spans that begin
    // before the first sample, the lines equal those read sample by sample.
    void downsamplingEqualsAPlainReading()
    {
        std::mt19937 random(4810);
        for (int round = 0; round < 300; ++round) {
            TrendBuffer buffer(50 + random() % 3000);
            const std::size_t count = random() % (2 * buffer.capacity() + 1);
            std::int64_t at = 1765000000000 + static_cast<std::int64_t>(random() % 100000);
            for (std::size_t i = 0; i < count; ++i) {
                at += random() % 50 == 0 ? -static_cast<std::int64_t>(random() % 5000) : static_cast<std::int64_t>(random() % 2000);
                at += random() % 400 == 0 ? 30000 : 0; // a hole
                TrendSample sample;
                sample.msecsSinceEpoch = at;
                for (int q = 0; q < TrendSample::Count; ++q)
                    sample.values[q] = random() % 700 == 0 ? NAN : static_cast<float>(random() % (q >= TrendSample::LowTemperature ? 3 : 1000)) / 10.0f;
                buffer.append(sample);
            }
            const std::int64_t start = buffer.empty() ? at : buffer.at(0).msecsSinceEpoch;
            const std::int64_t from = start - static_cast<std::int64_t>(random() % 100000);
            const std::int64_t to = from + 1 + static_cast<std::int64_t>(random() % (static_cast<std::uint64_t>(at - from) + 200000));
            const int columns = 1 + static_cast<int>(random() % 400);
            const std::int64_t longestStep = round % 3 == 0 ? std::numeric_limits<std::int64_t>::max() : round % 3 == 1 ? 6000 : 1500;
            const auto drawn = downsampleAll(buffer, from, to, columns, longestStep);
            const auto plain = plainDownsample(buffer, from, to, columns, longestStep);
            for (int q = TrendSample::Temperature; q < TrendSample::Count; ++q)
                QVERIFY2(drawn[q] == plain[q], qPrintable(QStringLiteral("round %1, quantity %2").arg(round).arg(q)));
        }
    }

    // Time ticks from a minute to thirty days: the shortest step of the ladder whose labels
    // do not overlap, on round local times, also across both daylight saving changes.
    void timeTicksAreRoundAndApart()
    {
        const QTimeZone berlin("Europe/Berlin");
        QVERIFY(berlin.isValid());
        const double charWidth = 7;
        for (const QDateTime& start : {QDateTime(QDate(2026, 3, 28), QTime(22, 13, 7), berlin), QDateTime(QDate(2026, 10, 24), QTime(23, 59, 1), berlin),
                                      QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3), berlin)}) {
            for (const std::int64_t span : {60'000LL, 600'000LL, 3'600'000LL, 28'800'000LL, 86'400'000LL, 604'800'000LL, 2'592'000'000LL}) {
                for (const int pixels : {400, 1600}) {
                    const std::int64_t from = start.toMSecsSinceEpoch();
                    const TimeAxis axis = timeAxis(from, from + span, pixels, charWidth, berlin);
                    const QString where = QStringLiteral("%1 + %2 ms over %3 px").arg(start.toString(Qt::ISODate)).arg(span).arg(pixels);
                    QVERIFY2(axis.ticks.size() >= 2, qPrintable(where));
                    for (std::size_t i = 0; i < axis.ticks.size(); ++i) {
                        const QDateTime local = QDateTime::fromMSecsSinceEpoch(static_cast<std::int64_t>(axis.ticks[i].value), berlin);
                        QVERIFY2(local.time().msecsSinceStartOfDay() % std::min<std::int64_t>(axis.stepMsecs, 86'400'000) == 0,
                                 qPrintable(where + QStringLiteral(": ") + local.toString(Qt::ISODate)));
                        if (i == 0)
                            continue;
                        const double apart = (axis.ticks[i].value - axis.ticks[i - 1].value) * pixels / static_cast<double>(span);
                        const double halfLabels = (axis.ticks[i].label.size() + axis.ticks[i - 1].label.size()) / 2.0 * charWidth;
                        QVERIFY2(apart > halfLabels, qPrintable(where));
                    }
                }
            }
        }
        // The ladder's edge: a second a tick needs ten characters' room, 100 px here.
        QCOMPARE(timeAxis(0, 4000, 400, 10, QTimeZone::utc()).stepMsecs, 1000);
        QCOMPARE(timeAxis(0, 4001, 400, 10, QTimeZone::utc()).stepMsecs, 2000);
        const TimeAxis morning = timeAxis(0, 600'000, 967, 7, QTimeZone::utc());
        QCOMPARE(morning.stepMsecs, 60'000);
        QCOMPARE(morning.ticks.front().label, QStringLiteral("01-01")); // midnight shows the date
        QCOMPARE(morning.ticks.back().label, QStringLiteral("00:10"));
        QCOMPARE(timeAxis(0, 30'000, 967, 7, QTimeZone::utc()).ticks.at(1).label, QStringLiteral("00:00:05"));
    }

    void valueTicksAreRound()
    {
        struct Row {
            double low, high;
            int pixels;
            double axisLow, axisHigh, step;
            const char* firstLabel;
        };
        for (const Row& row : std::initializer_list<Row>{
                 {20, 30, 100, 15, 35, 5, "15"},
                 {-12.3, 4.1, 200, -14, 6, 2, "-14"},
                 {25, 25, 100, 24.5, 25.5, 0.5, "24.5"},
                 {NAN, NAN, 100, 0, 100, 20, "0"},
                 {-0.4, 0.4, 100, -1, 1, 0.5, "-1.0"},
             }) {
            const ValueAxis axis = valueAxis(row.low, row.high, row.pixels, 20);
            QCOMPARE(axis.low, row.axisLow);
            QCOMPARE(axis.high, row.axisHigh);
            QCOMPARE(axis.step, row.step);
            QCOMPARE(axis.ticks.front().label, QString::fromLatin1(row.firstLabel));
            QVERIFY(axis.ticks.size() <= static_cast<std::size_t>(row.pixels / 20 + 1));
            for (const AxisTick& tick : axis.ticks)
                QVERIFY(tick.label != QStringLiteral("-0") && tick.label != QStringLiteral("-0.0"));
        }
    }

    void logImportSkipsWhatIsNotARecord()
    {
        const QByteArray log("12-31-2026    23:59:59      1             25.3          60.2\r\n"
                             "garbage\r\n"
                             "01-01-2027    00:00:01      1             err           60.4\r\n"
                             "13-45-2027    00:00:02      1             25.3          60.4\r\n"
                             "01-01-2027    00:00:03      1             25.5\r\n"
                             "\r\n"
                             "01-01-2027    00:00:04      2             25.6          60.5\r\n");
        const LogImport result = importLog(log);
        QCOMPARE(result.records, 3);
        QCOMPARE(result.malformed, 4);
        const TrendBuffer& samples = result.samples;
        QCOMPARE(samples.at(1).msecsSinceEpoch - samples.at(0).msecsSinceEpoch, 2000); // across midnight
        QCOMPARE(samples.at(0).value(TrendSample::Temperature), 25.3f);
        QVERIFY(std::isnan(samples.at(1).value(TrendSample::Temperature)));
        QVERIFY(std::isnan(samples.at(2).value(TrendSample::LowTemperature)));
        QCOMPARE(samples.at(2).value(TrendSample::Node), 2.0f);
    }

    // The line runs in from the last sample before the span, and a sample exactly at a
    // column's start belongs to that column (three samples of one column give its lowest
    // and highest point, two points; split over two columns they give three).
    void linesReachTheLeftEdgeAndColumnsStartWhereTheySay()
    {
        TrendBuffer buffer;
        for (const auto& [at, value] : {std::pair{-5000, 25.0f}, {1000, 21.0f}, {1500, 23.0f}, {1999, 22.0f}, {2999, 21.0f}, {3000, 23.0f}, {3500, 22.0f}})
            buffer.append(sampleAt(at, value));
        const auto lines = downsampleAll(buffer, 0, 10'000, 10); // columns of 1000 ms
        const TrendSegment& run = lines[TrendSample::Temperature].constFirst();
        QCOMPARE(run.constFirst(), QPointF(-5000, 25)); // from before the span
        QCOMPARE(run.mid(1, 2), (TrendSegment{{1000, 21}, {1500, 23}})); // 1000..1999: one column
        QCOMPARE(run.mid(3), (TrendSegment{{2999, 21}, {3000, 23}, {3500, 22}})); // 2999 | 3000..3500
    }

    // The time axis takes the shortest step whose labels fit, at its edge: minutes while
    // a minute's label fits, two minutes from one millisecond more; and at a spring-forward
    // change every label says the local time its tick stands at, none in the hour skipped.
    void timeAxisLadderEdgesAndTheSkippedHour()
    {
        // 600 px, 10 px a character: a minute's "HH:mm" needs 70 px, 30 s "HH:mm:ss" 100 px.
        QCOMPARE(timeAxis(0, 180'000, 600, 10, QTimeZone::utc()).stepMsecs, 30'000);
        QCOMPARE(timeAxis(0, 180'001, 600, 10, QTimeZone::utc()).stepMsecs, 60'000);
        QCOMPARE(timeAxis(0, 514'285, 600, 10, QTimeZone::utc()).stepMsecs, 60'000);
        QCOMPARE(timeAxis(0, 514'286, 600, 10, QTimeZone::utc()).stepMsecs, 120'000);
        const QTimeZone berlin("Europe/Berlin");
        const QDateTime before(QDate(2026, 3, 29), QTime(1, 0), berlin);
        for (const int pixels : {300, 600, 1200}) {
            const TimeAxis axis = timeAxis(before.toMSecsSinceEpoch(), before.toMSecsSinceEpoch() + 3 * 3'600'000, pixels, 7, berlin);
            for (const AxisTick& tick : axis.ticks) {
                const QDateTime at = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(tick.value), berlin);
                QVERIFY2(tick.label == at.toString(QStringLiteral("HH:mm")) || tick.label == at.toString(QStringLiteral("HH:mm:ss")),
                         qPrintable(tick.label + QStringLiteral(" at ") + at.toString(Qt::ISODate)));
                QVERIFY(!tick.label.startsWith(QLatin1String("02:")));
            }
        }
    }

    // A log comes in pieces: a record split anywhere reads the same, and a line longer than
    // any record is skipped as it comes, never held.
    void logParserTakesPiecesAndSkipsOverlongLines()
    {
        const QByteArray record("12-31-2026    23:59:59      1             25.3          60.2\r\n");
        LogImport result;
        LogParser parser(result);
        for (const char& c : record)
            parser.feed(QByteArrayView(&c, 1));
        for (int i = 0; i < 16; ++i)
            parser.feed(QByteArray(64 * 1024, 'x')); // a megabyte without a line end
        parser.feed("\r\n");
        parser.feed(record.left(30));
        parser.feed(record.mid(30).chopped(2)); // the last record without its line end
        parser.finish();
        QCOMPARE(result.records, 2);
        QCOMPARE(result.malformed, 1);
    }

    // A log being written ends in a record whose line end has not come yet: loaded from
    // the file, that record is kept; and records after whole days without any are stamped
    // on their own day, not on the day of the last record of the same hour.
    void aLoadedLogKeepsItsLastRecordAndItsDays()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("data.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("12-01-2026    10:00:00      1             25.3          60.2\r\n"
                   "12-03-2026    10:00:05      1             25.4          60.3\r\n"
                   "12-03-2026    10:00:10      1             25.5          60.4");
        file.close();
        LogLoader loader;
        QVERIFY(!loader.start(file.fileName()));
        QTRY_VERIFY(!loader.running());
        const std::unique_ptr<LogImport> loaded = loader.take();
        QCOMPARE(loaded->records, 3);
        QCOMPARE(loaded->malformed, 0);
        const TrendBuffer& samples = loaded->samples;
        QCOMPARE(samples.at(2).value(TrendSample::Temperature), 25.5f);
        QCOMPARE(samples.at(1).msecsSinceEpoch - samples.at(0).msecsSinceEpoch, 2 * 86'400'000 + 5000);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(samples.at(1).msecsSinceEpoch), QDateTime(QDate(2026, 12, 3), QTime(10, 0, 5)));
    }

    // Lines break where nothing came for longer than the rule allows: live, six seconds
    // (6.000 s joins, 6.001 s breaks); a log, two of its own record intervals.
    void holesBreakTheLines()
    {
        TrendBuffer live;
        for (const std::int64_t at : {0, 1000, 7000, 13'001})
            live.append(sampleAt(at, 25));
        const auto lines = downsampleAll(live, 0, 14'000, 100, kLiveLongestStepMsecs);
        QCOMPARE(lines[TrendSample::Temperature].size(), 2);
        QCOMPARE(lines[TrendSample::Temperature].at(0).constLast().x(), 7000.0);
        QCOMPARE(lines[TrendSample::LowTemperature].size(), 2);
        QCOMPARE(lines[TrendSample::LowTemperature].at(1).constFirst().x(), 13'001.0);

        const LogImport log = importLog("12-31-2026    10:00:00      1             25.3          60.2\r\n"
                                        "12-31-2026    10:00:01      1             25.3          60.2\r\n"
                                        "12-31-2026    10:00:02      1             25.3          60.2\r\n"
                                        "12-31-2026    10:00:04      1             25.3          60.2\r\n"
                                        "12-31-2026    10:00:07      1             25.3          60.2\r\n");
        QCOMPARE(log.recordInterval(), 1000);
        QCOMPARE(log.longestStepMsecs(), 2000);
        const TrendBuffer& samples = log.samples;
        const auto logged = downsampleAll(samples, samples.at(0).msecsSinceEpoch, samples.at(4).msecsSinceEpoch + 1, 100,
                                          log.longestStepMsecs());
        QCOMPARE(logged[TrendSample::Temperature].size(), 2); // 2 s joins, 3 s breaks
        QCOMPARE(logged[TrendSample::Temperature].at(1).size(), 1);
    }

    // Only a regular file is read, of at most 256 MB, in slices between events.
    void logLoaderReadsOnlyRegularFilesInSlices()
    {
        QTemporaryDir dir;
        LogLoader loader;
        QStringList wrong{dir.path()};
#ifdef Q_OS_UNIX
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {fifo}), 0);
        wrong << fifo << QStringLiteral("/dev/zero");
#endif
        for (const QString& path : wrong) {
            QVERIFY2(loader.start(path).has_value(), qPrintable(path));
            QVERIFY(!loader.running());
        }
        QFile big(dir.filePath(QStringLiteral("big.txt")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(256) << 20));
        QVERIFY(!loader.start(big.fileName()));
        QVERIFY(loader.running());
        loader.cancel();
        QVERIFY(big.resize((qint64(256) << 20) + 1));
        QCOMPARE(loader.start(big.fileName()).value_or(QString()).left(16), QStringLiteral("it holds 256 MB;"));
        big.remove();

        QFile log(dir.filePath(QStringLiteral("week.txt")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        const QDateTime start(QDate(2026, 12, 1), QTime(0, 0));
        QByteArray text;
        for (int i = 0; i < 200'000; ++i)
            text += start.addSecs(i).toString(QStringLiteral("MM-dd-yyyy    HH:mm:ss")).toLatin1() + "      1             25.3          60.2\r\n";
        log.write(text);
        log.close();
        int slices = 0;
        QString failure = QStringLiteral("none yet");
        connect(&loader, &LogLoader::progressed, this, [&] { ++slices; });
        connect(&loader, &LogLoader::finished, this, [&](const QString& reason) { failure = reason; });
        QVERIFY(!loader.start(log.fileName()));
        QCOMPARE(slices, 0); // nothing is read before the loop runs
        QTRY_VERIFY_WITH_TIMEOUT(!loader.running(), 30'000);
        QCOMPARE(failure, QString());
        QVERIFY2(slices >= 2, qPrintable(QString::number(slices)));
        const std::unique_ptr<LogImport> loaded = loader.take();
        QCOMPARE(loaded->records, 200'000);
        QCOMPARE(loaded->malformed, 0);
    }

    void csvHasIsoTimesAndDecimalPoints()
    {
#ifdef Q_OS_WIN
        QSKIP("the local zone is chosen here through TZ, which Windows does not read");
#endif
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        qputenv("TZ", "Europe/Berlin");
        TrendBuffer buffer;
        const QDateTime winter(QDate(2026, 12, 7), QTime(15, 4, 5));
        buffer.append(sampleAt(winter.toMSecsSinceEpoch(), 25.3f));
        buffer.append(sampleAt(winter.addMonths(6).toMSecsSinceEpoch(), NAN));
        const QList<QByteArray> lines = csvFromSamples(buffer, 0, 2).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("time,local_time,node,temperature,humidity,low_temperature_point,high_temperature_point,"
                                      "low_humidity_point,high_humidity_point\r"));
        QCOMPARE(lines[1], QByteArray("2026-12-07T15:04:05+01:00,2026-12-07T15:04:05,1,25.3,1,20,1,1,1\r"));
        QCOMPARE(lines[2], QByteArray("2027-06-07T15:04:05+02:00,2027-06-07T15:04:05,1,,1,20,1,1,1\r"));
        // What a spreadsheet reads back: the same instant.
        QCOMPARE(QDateTime::fromString(QString::fromLatin1(lines[1].left(25)), Qt::ISODate), winter);

        QTemporaryDir dir;
        QVERIFY(!exportCsv(dir.filePath(QStringLiteral("trend.csv")), buffer, 0, 2));
        QVERIFY(exportCsv(dir.filePath(QStringLiteral("no/such/trend.csv")), buffer, 0, 2));
        QLocale::setDefault(QLocale::c());
    }
    // The range a followed view shows, at 600 columns: the end stepped to whole columns
    // (1024 ms for ten minutes), back by the span; a loaded log ending at its newest
    // record; "All" from the oldest, a minute at least.
    void aFollowedViewEndsAtTheSteppedEdge_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<qint64>("oldest");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::newRow("live, now on a step") << qint64(600'000) << false << qint64(0) << qint64(1'024'000) << qint64(424'000)
                                             << qint64(1'024'000);
        QTest::newRow("live, now within the step") << qint64(600'000) << false << qint64(0) << qint64(1'023'001) << qint64(424'000)
                                                   << qint64(1'024'000);
        QTest::newRow("live, now one past the step") << qint64(600'000) << false << qint64(0) << qint64(1'024'001)
                                                     << qint64(425'024) << qint64(1'025'024);
        QTest::newRow("loaded, at its newest") << qint64(600'000) << true << qint64(0) << qint64(5'000'000) << qint64(424'000)
                                               << qint64(1'024'000);
        QTest::newRow("all, from the oldest") << qint64(0) << false << qint64(0) << qint64(1'024'000) << qint64(0) << qint64(1'024'000);
        QTest::newRow("all, a minute at least") << qint64(0) << false << qint64(1'020'000) << qint64(1'024'000) << qint64(964'000)
                                                << qint64(1'024'000);
    }
    void aFollowedViewEndsAtTheSteppedEdge()
    {
        QFETCH(qint64, span);
        QFETCH(bool, loaded);
        QFETCH(qint64, oldest);
        QFETCH(qint64, now);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        TrendBuffer samples;
        samples.append(sampleAt(oldest, 20));
        samples.append(sampleAt(1'024'000, 21));
        TrendView view;
        view.chooseSpan(span);
        view.drawing({samples, loaded}, 600, now, 0);
        QCOMPARE(view.from(), from);
        QCOMPARE(view.to(), to);
        QVERIFY(view.following());
    }

    // Zoom and pan leave the live edge; no zoom goes closer than ten seconds across; a
    // span chosen then keeps the range's end, and following again finds the edge.
    void zoomAndPanHoldTheirRange()
    {
        TrendBuffer samples;
        samples.append(sampleAt(0, 20));
        samples.append(sampleAt(20'000, 20));
        TrendView view;
        const auto range = [&view] { return std::pair(view.from(), view.to()); };
        view.showWhole(samples); // a minute at least
        QCOMPARE(range(), std::pair(qint64(0), qint64(60'000)));
        QVERIFY(!view.following());
        QVERIFY(view.zoom(1.0 / 6, 30'000)); // exactly ten seconds across
        QCOMPARE(range(), std::pair(qint64(25'000), qint64(35'000)));
        QCOMPARE(view.span(), qint64(10'000));
        QVERIFY(!view.zoom(0.999, 30'000)); // 9,990 ms: refused
        QCOMPARE(range(), std::pair(qint64(25'000), qint64(35'000)));
        view.pan(5000);
        QCOMPARE(range(), std::pair(qint64(30'000), qint64(40'000)));
        view.chooseSpan(3'600'000);
        QCOMPARE(range(), std::pair(qint64(-3'560'000), qint64(40'000)));
        view.drawing({samples, false}, 600, 1'024'000, 0); // drawn as it stands
        QCOMPARE(range(), std::pair(qint64(-3'560'000), qint64(40'000)));
        view.follow();
        view.drawing({samples, false}, 600, 1'024'000, 0); // an hour at 600 columns: 8192 ms steps
        QCOMPARE(range(), std::pair(qint64(1'024'000 - 3'600'000), qint64(1'024'000)));
    }

    // A tick draws frames that only add to the newest column once more than a second has
    // passed since the last drawing, at once when the edge steps, and never while the
    // view stands still; the status line moves with the plots, or alone after a second.
    // The frame rate is the count of the last four ticks.
    void aTickDrawsWhatIsDue()
    {
        TrendBuffer samples;
        for (qint64 at = 0; at <= 1'000'000; at += 1000)
            samples.append(sampleAt(at, 20));
        TrendView view;
        const TrendView::Source live{samples, false};
        const qint64 now = 1'024'000;
        view.drawing(live, 600, now, 0);
        view.statusShown(0);
        const auto due = [&](qint64 wall, qint64 monotonic) {
            const TrendView::Due d = view.tick(live, 600, wall, monotonic, 0);
            return std::pair(d.plots, d.status);
        };
        QCOMPARE(due(now, 1000), std::pair(false, false)); // nothing new, the status a second old
        QCOMPARE(due(now, 1001), std::pair(false, true));
        view.statusShown(1001);
        samples.append(sampleAt(1'010'000, 21)); // in the newest column
        QCOMPARE(due(now, 1000), std::pair(false, false)); // drawn a second ago: not yet
        QCOMPARE(due(now, 1001), std::pair(true, true));
        view.drawing(live, 600, now, 1001);
        view.statusShown(1001);
        samples.append(sampleAt(1'024'001, 22)); // the edge steps
        QCOMPARE(due(1'024'001, 1002), std::pair(true, true));
        view.pan(-1000); // standing still: new frames wait
        samples.append(sampleAt(1'030'000, 23));
        QCOMPARE(due(1'030'000, 5000).first, false);

        TrendView counting;
        counting.startCounting(100);
        for (const quint64 accepted : {103, 106, 109})
            counting.tick(live, 600, now, 0, accepted);
        QCOMPARE(counting.frameRate(), 0.0); // three ticks: no second yet
        counting.tick(live, 600, now, 0, 112);
        QCOMPARE(counting.frameRate(), 12.0);
        for (const quint64 accepted : {112, 112, 112, 113})
            counting.tick(live, 600, now, 0, accepted);
        QCOMPARE(counting.frameRate(), 1.0);
    }
};

QTEST_GUILESS_MAIN(TrendTest)
#include "test_trend.moc"
