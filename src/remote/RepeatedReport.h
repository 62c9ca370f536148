// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

// Keeps a flood out of the journal: a line of one kind is said at once, further lines of
// that kind within the period are only counted, and at the period's end one line says how
// many there were and the last of them. A kind that stayed quiet for a period is forgotten.
class RepeatedReport : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kPeriod{60};

    explicit RepeatedReport(std::chrono::milliseconds period = kPeriod, QObject* parent = nullptr);
    ~RepeatedReport() override;

    void say(const QString& kind, const QString& text);

Q_SIGNALS:
    void report(const QString& text);

private:
    struct Kind {
        QTimer periodEnd;
        int more = 0;
        QString last;
    };
    void periodEnded(const QString& kind);

    std::chrono::milliseconds m_period;
    QHash<QString, std::shared_ptr<Kind>> m_kinds;
};
