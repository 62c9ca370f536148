// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LogImport.h"

#include <QFile>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

// Reads a log file in slices between events, so that reception, records and painting
// never wait for it: each slice reads for a few milliseconds and hands the loop back.
// Only a regular file is read, and one of at most kLargestFile bytes: that is about seven
// weeks of a record a second, of which the trend keeps the newest week.
class LogLoader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kLargestFile = qint64(256) << 20;
    static constexpr std::chrono::milliseconds kSliceTime{8};
    static constexpr qint64 kReadSize = 64 * 1024;

    explicit LogLoader(QObject* parent = nullptr);
    ~LogLoader() override;

    // Starts reading `path`; the reason when it cannot be read at all (nothing is read
    // then).
    std::optional<QString> start(const QString& path);
    bool running() const { return m_file != nullptr; }
    // Stops a reading under way; nothing is kept of it.
    void cancel();
    int percentRead() const;
    // What has been read, once finished() came without a failure.
    std::unique_ptr<LogImport> take() { return std::move(m_result); }

Q_SIGNALS:
    void progressed(int percent);
    // The end of the reading; `failure` empty when the whole file was read.
    void finished(const QString& failure);

private:
    void readSlice();
    void end(const QString& failure);

    std::unique_ptr<QFile> m_file;
    qint64 m_size = 0;
    qint64 m_read = 0;
    std::unique_ptr<LogImport> m_result;
    std::unique_ptr<LogParser> m_parser;
    QTimer m_slice;
};
