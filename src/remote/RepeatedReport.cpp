// SPDX-License-Identifier: GPL-3.0-or-later
#include "RepeatedReport.h"

RepeatedReport::RepeatedReport(std::chrono::milliseconds period, QObject* parent) : QObject(parent), m_period(period) {}

RepeatedReport::~RepeatedReport() = default;

void RepeatedReport::say(const QString& kind, const QString& text)
{
    if (const auto known = m_kinds.constFind(kind); known != m_kinds.cend()) {
        ++(*known)->more;
        (*known)->last = text;
        return;
    }
    auto entry = std::make_shared<Kind>();
    entry->periodEnd.setSingleShot(true);
    connect(&entry->periodEnd, &QTimer::timeout, this, [this, kind] { periodEnded(kind); });
    entry->periodEnd.start(m_period);
    m_kinds.insert(kind, entry);
    Q_EMIT report(text);
}

void RepeatedReport::periodEnded(const QString& kind)
{
    const std::shared_ptr<Kind> entry = m_kinds.value(kind);
    if (!entry)
        return;
    if (entry->more == 0) {
        // Deleted later: this runs inside the entry's own timer.
        m_kinds.remove(kind);
        QTimer::singleShot(0, this, [entry] {});
        return;
    }
    Q_EMIT report(QStringLiteral("%1 more like it in the last %2 s, the last: %3")
                      .arg(entry->more)
                      .arg(std::chrono::duration<double>(m_period).count())
                      .arg(entry->last));
    entry->more = 0;
    entry->periodEnd.start(m_period);
}
