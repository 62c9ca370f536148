#include "LogFile.h"

#include <QFile>

std::optional<QString> appendRecord(const QString& path, const QByteArray& record)
{
    QFile file(path);
    // Unbuffered, so the one write reaches the system now and its failure is seen here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 oldEnd = file.isSequential() ? -1 : file.size();
    const qint64 written = file.write(record);
    if (written == record.size()) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return std::nullopt;
        return file.errorString();
    }
    QString reason = file.errorString();
    if (written >= 0 && reason.isEmpty())
        reason = QStringLiteral("only %1 of %2 bytes could be written").arg(written).arg(record.size());
    if (written > 0 && oldEnd >= 0)
        file.resize(oldEnd);
    file.close();
    return reason;
}

LogHealth::Change LogHealth::recordResult(const std::optional<QString>& failure)
{
    if (failure) {
        m_reason = *failure;
        if (m_failing)
            return Change::None;
        m_failing = true;
        return Change::FailureStarted;
    }
    m_reason.clear();
    if (!m_failing)
        return Change::None;
    m_failing = false;
    return Change::Recovered;
}
