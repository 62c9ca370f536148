#include "LogImport.h"

#include <QFile>
#include <QList>

LogImport importLog(const QByteArray& text)
{
    LogImport result;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() && i == lines.size() - 1)
            break; // after the last CR LF
        const QList<QByteArray> items = line.simplified().split(' ');
        const QDateTime moment = items.size() == 5
                                     ? QDateTime::fromString(QString::fromLatin1(items[0] + ' ' + items[1]),
                                                             QStringLiteral("MM-dd-yyyy HH:mm:ss"))
                                     : QDateTime();
        if (!moment.isValid()) {
            ++result.malformed;
            continue;
        }
        TrendSample sample;
        sample.msecsSinceEpoch = moment.toMSecsSinceEpoch();
        std::fill(std::begin(sample.values), std::end(sample.values), kNoValue);
        sample.values[TrendSample::Node] = trendValue(QString::fromLatin1(items[2]));
        sample.values[TrendSample::Temperature] = trendValue(QString::fromLatin1(items[3]));
        sample.values[TrendSample::Humidity] = trendValue(QString::fromLatin1(items[4]));
        result.samples.append(sample);
        ++result.records;
    }
    return result;
}

std::optional<QString> importLogFile(const QString& path, LogImport& result)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    result = importLog(file.readAll());
    return std::nullopt;
}
