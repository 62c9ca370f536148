// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogLoader.h"

#include "platform/FileRead.h"

#include <QElapsedTimer>

LogLoader::LogLoader(QObject* parent) : QObject(parent)
{
    m_slice.setInterval(0);
    connect(&m_slice, &QTimer::timeout, this, &LogLoader::readSlice);
}

LogLoader::~LogLoader() = default;

std::optional<QString> LogLoader::start(const QString& path)
{
    cancel();
    auto opened = openRegularFile(path);
    if (auto* reason = std::get_if<QString>(&opened))
        return *reason;
    auto file = std::move(std::get<std::unique_ptr<QFile>>(opened));
    // Read up to the size it has now; what is appended meanwhile waits for the next load.
    const qint64 size = file->size();
    if (size > kLargestFile)
        return QStringLiteral("it holds %1 MB; logs of up to %2 MB (about seven weeks of a record a second) are read")
            .arg(size >> 20)
            .arg(kLargestFile >> 20);
    m_file = std::move(file);
    m_size = size;
    m_read = 0;
    m_result = std::make_unique<LogImport>();
    m_parser = std::make_unique<LogParser>(*m_result);
    m_slice.start();
    return std::nullopt;
}

void LogLoader::cancel()
{
    m_slice.stop();
    m_file.reset();
    m_parser.reset();
    m_result.reset();
}

int LogLoader::percentRead() const { return m_size > 0 ? int(m_read * 100 / m_size) : 100; }

void LogLoader::readSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (m_read < m_size && slice.elapsed() < kSliceTime.count()) {
        const QByteArray bytes = m_file->read(std::min(kReadSize, m_size - m_read));
        if (bytes.isEmpty()) {
            // Cut short since it was opened, or unreadable.
            if (m_file->error() != QFileDevice::NoError) {
                end(m_file->errorString());
                return;
            }
            break;
        }
        m_read += bytes.size();
        m_parser->feed(bytes);
    }
    if (m_read < m_size && !m_file->atEnd()) {
        Q_EMIT progressed(percentRead());
        return;
    }
    m_parser->finish();
    end(QString());
}

void LogLoader::end(const QString& failure)
{
    m_slice.stop();
    m_file.reset();
    m_parser.reset();
    if (!failure.isEmpty())
        m_result.reset();
    Q_EMIT finished(failure);
}
