// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComName.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <limits>

QString comName(int number) { return QStringLiteral("COM") + QString::number(number); }

std::optional<int> parseComName(const QString& name)
{
    if (name.size() < 4 || name.size() > 6 || !name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = QStringView(name).mid(3);
    if (digits.front() == u'0')
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < kFirstComNumber || value > kLastComNumber)
        return std::nullopt;
    return value;
}

namespace {
struct DeviceRow {
    const char* prefix;
    int count;
    int firstCom;
};
// A present device's name depends only on the kernel's device name (which the kernel may
// hand to another adapter after a replug).
constexpr std::array<DeviceRow, 4> kDeviceTable{{
    {"/dev/ttyS", 32, 1},
    {"/dev/ttyUSB", 32, 33},
    {"/dev/ttyACM", 32, 65},
    {"/dev/ttyAMA", 4, 97},
}};
} // namespace

QString deviceTableText()
{
    QString text;
    for (const DeviceRow& row : kDeviceTable) {
        const QString devices = QStringLiteral("%1%2 .. %1%3").arg(QLatin1String(row.prefix)).arg(0).arg(row.count - 1);
        text += QStringLiteral("  %1  %2 .. %3\n").arg(devices, -30).arg(comName(row.firstCom), comName(row.firstCom + row.count - 1));
    }
    return text;
}

std::optional<int> comNumberForDevice(const QString& systemLocation)
{
    // A device in the system's own COM namespace names its number: \\.\COM7.
    static const QRegularExpression kNative(QString::fromLatin1(R"(^\\\\\.\\COM([1-9][0-9]?|100)$)"));
    if (const QRegularExpressionMatch native = kNative.match(systemLocation); native.hasMatch())
        return native.captured(1).toInt();
    for (const DeviceRow& row : kDeviceTable) {
        const QLatin1String prefix(row.prefix);
        if (!systemLocation.startsWith(prefix))
            continue;
        const QString index = systemLocation.mid(prefix.size());
        static const QRegularExpression kIndex(QStringLiteral("^(0|[1-9][0-9]?)$"));
        if (!kIndex.match(index).hasMatch())
            return std::nullopt;
        const int k = index.toInt();
        if (k >= row.count)
            return std::nullopt;
        return row.firstCom + k;
    }
    return std::nullopt;
}

QString portNumberText(const QString& boxText)
{
    switch (boxText.size()) {
    case 4:
    case 5:
        return boxText.mid(3);
    case 6: {
        // Only "COM" and three digits names a port past COM99 ("COM100").
        static const QRegularExpression kThreeDigits(QStringLiteral("^COM[0-9]{3}$"),
                                                     QRegularExpression::CaseInsensitiveOption);
        return kThreeDigits.match(boxText).hasMatch() ? boxText.mid(3) : QString();
    }
    default:
        return {};
    }
}

int leadingNumberValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString number;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
            number += c;
        } else if (c == u'.' && !point) {
            point = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    const double value = std::nearbyint(number.toDouble());
    if (!(value > std::numeric_limits<int>::min() && value < std::numeric_limits<int>::max()))
        return 0;
    return static_cast<int>(value);
}
