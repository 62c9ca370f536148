// SPDX-License-Identifier: GPL-3.0-or-later
#include "logging/LogFile.h"
#include "logging/LogInterval.h"
#include "logging/LogRecord.h"
#include "logging/RecordBacklog.h"

#include "support/ReadOnlyFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/TestProcess.h"

using namespace std::chrono_literals;

namespace {
const QDateTime kMoment(QDate(2026, 12, 6), QTime(8, 15, 30));

// Appends in a child process whose file-size limit is `limit` bytes and returns the
// reason it reported; a child killed by the limit's signal reports that instead.
std::optional<QString> appendUnderFileSizeLimit(const QString& path, const QByteArray& record, long long limit)
{
    const QString reason = runWithFileSizeLimit(limit, [&] { return appendRecord(path, record).value_or(QStringLiteral("<written>")); });
    if (reason == u"<written>")
        return std::nullopt;
    return reason;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

class LoggingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordLayout_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<QString>("humidity");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("reference line")
            << "1" << "25.3" << "60.2"
            << QByteArray("12-06-2026    08:15:30      1             25.3          60.2\r\n");
        QTest::newRow("idle captions")
            << "0" << "00.0" << "00.0"
            << QByteArray("12-06-2026    08:15:30      0             00.0          00.0\r\n");
        QTest::newRow("leading space kept")
            << " 7" << " 5.0" << "60"
            << QByteArray("12-06-2026    08:15:30       7             5.0          60\r\n");
        QTest::newRow("thirteen characters") << "1234567890123" << "1" << "2"
            << QByteArray("12-06-2026    08:15:30      1234567890123 1             2\r\n");
        QTest::newRow("fourteen characters move on a zone") << "12345678901234" << "1" << "2"
            << QByteArray("12-06-2026    08:15:30      12345678901234              1             2\r\n");
        QTest::newRow("empty captions") << "" << "" << ""
            << QByteArray("12-06-2026    08:15:30                                  \r\n");
        QTest::newRow("control characters become spaces")
            << QStringLiteral("1\x7f") << QStringLiteral("25.3\r\n12-31-2099    23:59:59") << QString(QChar(0)) + QStringLiteral("6\t0")
            << QByteArray("12-06-2026    08:15:30      1             25.3  12-31-2099    23:59:59               6 0\r\n");
    }
    void recordLayout()
    {
        QFETCH(QString, node);
        QFETCH(QString, temperature);
        QFETCH(QString, humidity);
        QFETCH(QByteArray, line);
        const QByteArray record = formatLogRecord(kMoment, node, temperature, humidity);
        QCOMPARE(record, line);
    }

    void referenceLineIsSixtyTwoBytes()
    {
        const QByteArray record = formatLogRecord(kMoment, QStringLiteral("1"), QStringLiteral("25.3"), QStringLiteral("60.2"));
        QCOMPARE(record.size(), 62);
        QCOMPARE(record.indexOf("25.3"), 42); // column 43
        QCOMPARE(record.indexOf("60.2"), 56); // column 57
    }

    void dateAndTimeComeFromOneReading()
    {
        // One moment just after midnight: both items belong to the new day.
        const QDateTime midnight(QDate(2027, 1, 1), QTime(0, 0, 0, 1));
        QVERIFY(formatLogRecord(midnight, "1", "2", "3").startsWith("01-01-2027    00:00:00"));
        // 24-hour time in the afternoon.
        QVERIFY(formatLogRecord(QDateTime(QDate(2026, 3, 4), QTime(23, 5, 9)), "1", "2", "3").startsWith("03-04-2026    23:05:09"));
    }

    void captionsOutsideLatin1BecomeOneByteEach()
    {
        const QByteArray record = formatLogRecord(kMoment, QString::fromUtf8("\xC2\xB0") + "1", QStringLiteral("2"), QStringLiteral("3"));
        QCOMPARE(record.mid(28, 2), QByteArray("\xB0" "1"));
    }

    void appendKeepsEarlierContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.txt"));
        QVERIFY(!appendRecord(path, "first\r\n"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("no newline");
        }
        QVERIFY(!appendRecord(path, "second\r\n"));
        QCOMPARE(readAll(path), QByteArray("first\r\nno newlinesecond\r\n"));
    }

    // Each way a log file can refuse a record: the call returns at once with the system's
    // reason and what the file held before is left byte for byte.
    void failuresAreReportedAndLeaveTheFileIntact_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "not a regular file";
        QTest::newRow("directory") << "directory" << "not a regular file";
        QTest::newRow("link to /dev/full") << "device" << "not a regular file";
        QTest::newRow("missing folder") << "missing" << "No such file or directory";
        QTest::newRow("read-only") << "read-only" << (isSuperUser() ? "Operation not permitted" : "Permission denied");
        QTest::newRow("file-size limit, cut short") << "limit" << "File too large (40 of 62 bytes were written, then cut back)";
    }
    void failuresAreReportedAndLeaveTheFileIntact()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("data.txt"));
        const QByteArray record = formatLogRecord(kMoment, QStringLiteral("1"), QStringLiteral("25.3"), QStringLiteral("60.2"));
        QByteArray before;
        if (kind == u"fifo") {
            QVERIFY(makeFifo(path));
        } else if (kind == u"directory") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data.txt")));
        } else if (kind == u"device") {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        } else if (kind == u"missing") {
            path = dir.filePath(QStringLiteral("no/such/data.txt"));
        } else {
            before = kind == u"limit" ? QByteArray(10200, 'x') : record;
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
        }
        if (kind == u"read-only" && !makeReadOnly(path))
            QSKIP("this file system cannot make a file refuse writes");

        QElapsedTimer elapsed;
        elapsed.start();
        std::optional<QString> failure;
        if (kind == u"limit")
            failure = appendUnderFileSizeLimit(path, record, 10240);
        else
            failure = appendRecord(path, record);
        QVERIFY2(elapsed.elapsed() < 100, "the call returns at once");
        if (kind == u"read-only")
            makeWritable(path);
        QCOMPARE(failure.value_or(QStringLiteral("<written>")), reason);
        if (!before.isEmpty())
            QCOMPARE(readAll(path), before);
    }

    void healthReportsAStreakOnce()
    {
        LogHealth health;
        QCOMPARE(health.recordResult(std::nullopt), LogHealth::Change::None);
        QCOMPARE(health.recordResult(QStringLiteral("No space left on device")), LogHealth::Change::FailureStarted);
        QVERIFY(health.failing());
        QCOMPARE(health.recordResult(QStringLiteral("No space left on device")), LogHealth::Change::None);
        QCOMPARE(health.reason(), QStringLiteral("No space left on device"));
        QCOMPARE(health.recordResult(std::nullopt), LogHealth::Change::Recovered);
        QVERIFY(!health.failing());
        QVERIFY(health.reason().isEmpty());
    }

    // Records wait while their file cannot be written, a day of a record a second at most
    // (the oldest dropped past it), and go in order, each to its own day's file.
    void waitingRecordsKeepTheirOrderAndTheirFile()
    {
        QTemporaryDir dir;
        const QString later = dir.filePath(QStringLiteral("later"));
        RecordBacklog backlog;
        for (int i = 0; i <= 86'400; ++i)
            QVERIFY(backlog.write(later + QStringLiteral("/day1.txt"), QByteArray::number(i) + "\r\n").has_value());
        QCOMPARE(backlog.waiting(), std::size_t(86'400));
        QCOMPARE(backlog.dropped(), quint64(1));
        QVERIFY(backlog.write(later + QStringLiteral("/day2.txt"), "next day\r\n")); // still no folder
        QCOMPARE(backlog.dropped(), quint64(2));
        QVERIFY(QDir().mkpath(later));
        QVERIFY(!backlog.write(later + QStringLiteral("/day2.txt"), "second\r\n"));
        QCOMPARE(backlog.waiting(), std::size_t(0));
        const QList<QByteArray> first = readAll(later + QStringLiteral("/day1.txt")).split('\n');
        QCOMPARE(first.size(), 86'399 + 1);
        QCOMPARE(first.first(), QByteArray("2\r")); // 0 and 1 were the oldest past the bound
        QCOMPARE(first.at(86'398), QByteArray("86400\r"));
        QCOMPARE(readAll(later + QStringLiteral("/day2.txt")), QByteArray("next day\r\nsecond\r\n"));
    }

    void intervalTable()
    {
        QCOMPARE(logInterval(true, false, false, false), 1000ms);
        QCOMPARE(logInterval(false, true, false, false), 5000ms);
        QCOMPARE(logInterval(false, false, true, false), 30000ms);
        QCOMPARE(logInterval(false, false, false, true), 60000ms);
        QCOMPARE(logInterval(false, false, false, false), 5000ms);
        QCOMPARE(logInterval(false, true, true, true), 5000ms); // the first set decides
    }
};

QTEST_GUILESS_MAIN(LoggingTest)
#include "test_logging.moc"
