#include "LogFile.h"

#include "platform/FileAppend.h"

std::optional<QString> appendRecord(const QString& path, const QByteArray& record) { return appendWhole(path, record); }

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
