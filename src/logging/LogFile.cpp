// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogFile.h"

#include "platform/FileAppend.h"

std::optional<QString> appendRecord(const QString& path, const QByteArray& record) { return appendWhole(path, record); }

QString logFileForDay(const QString& pattern, const QDate& day)
{
    if (!pattern.contains(u'%'))
        return pattern;
    QString name;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        const QChar next = i + 1 < pattern.size() ? pattern.at(i + 1) : QChar();
        if (c != u'%' || next.isNull()) {
            name += c;
            continue;
        }
        ++i;
        if (next == u'Y')
            name += QStringLiteral("%1").arg(day.year(), 4, 10, QLatin1Char('0'));
        else if (next == u'm')
            name += QStringLiteral("%1").arg(day.month(), 2, 10, QLatin1Char('0'));
        else if (next == u'd')
            name += QStringLiteral("%1").arg(day.day(), 2, 10, QLatin1Char('0'));
        else if (next == u'%')
            name += u'%';
        else
            name += QStringView(pattern).sliced(i - 1, 2);
    }
    return name;
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
