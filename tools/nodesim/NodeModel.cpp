// SPDX-License-Identifier: GPL-3.0-or-later
#include "NodeModel.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

namespace {
constexpr int kFrameLength = 70;

QString oneDecimal(double value) { return QString::number(value, 'f', 1); }

// A decimal text with an optional "-" and at most one "." whose value lies in [low, high].
std::optional<QString> numberInRange(const QString& text, double low, double high, bool integer)
{
    static const QRegularExpression kDecimal(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)$"));
    static const QRegularExpression kInteger(QStringLiteral("^\\d+$"));
    if (!(integer ? kInteger : kDecimal).match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return text;
}
} // namespace

NodeModel::NodeModel(std::uint32_t seed) : m_random(seed) {}

QByteArray NodeModel::statusFrame(bool breakRule)
{
    const QString hotColdShown = hotCold.size() == 1 ? QStringLiteral("0") + hotCold : hotCold;
    // A frame meant to be dropped carries an impossible reading, so a display that shows
    // it is caught at once.
    const std::array<QString, 15> fields{
        breakRule ? QStringLiteral("-99.9") : oneDecimal(temperature), oneDecimal(humidity), lowTemperature, highTemperature, lowHumidity,
        highHumidity, hotColdShown, mode, pwm, QString::number(relay1), QString::number(relay2),
        QString::number(input1), QString::number(input2), QString::number(adc), QString::number(autoScan)};
    // The tag is long enough that the 7th character is the node number's first.
    QByteArray frame = "?NODE=" + (breakRule ? QByteArray() : node.toLatin1());
    for (const QString& field : fields)
        frame += ',' + field.toLatin1();
    frame += ',';
    if (frame.size() < kFrameLength)
        frame.append(kFrameLength - frame.size(), '0');
    return frame + "\r\n";
}

void NodeModel::advance()
{
    ++m_frames;
    std::normal_distribution<double> step(0.0, 0.05);
    temperature = std::clamp(temperature + step(m_random), 15.0, 35.0);
    humidity = std::clamp(humidity + 2 * step(m_random), 30.0, 90.0);
    adc = std::clamp(adc + std::uniform_int_distribution<int>(-3, 3)(m_random), 0, 1023);
    if (m_frames % 7 == 0)
        input1 = std::uniform_int_distribution<int>(0, 1)(m_random) == 1;
    if (m_frames % 11 == 0)
        input2 = std::uniform_int_distribution<int>(0, 1)(m_random) == 1;
}

const QStringList NodeModel::kIgnorable{
    QStringLiteral("mode"),         QStringLiteral("pwm"),      QStringLiteral("low-temperature"),
    QStringLiteral("high-temperature"), QStringLiteral("low-humidity"), QStringLiteral("high-humidity"),
    QStringLiteral("hot-cold"),     QStringLiteral("relay1"),   QStringLiteral("relay2"),
};

NodeModel::Applied NodeModel::applyCommand(const QByteArray& line)
{
    const QList<QByteArray> parts = line.split(',');
    if (parts.size() != 15 || parts.first() != "@" || !parts.last().isEmpty())
        return {false, QStringLiteral("not \"@\", 13 fields and a final \",\"")};
    auto field = [&parts](int n) { return QString::fromLatin1(parts.at(n)); };
    if (field(12) != u"1")
        return {false, QStringLiteral("field 12 is not 1")};

    // The limits of the configuration window's inputs: the node takes nothing longer, so
    // its status frame always fits the 70 characters the program reads.
    struct Check {
        int index;
        const char* name;
        qsizetype maxLength;
        double low;
        double high;
        bool integer;
        QString* target;
    };
    const auto unlessIgnored = [this](const char* setting, QString* target) {
        return ignored.contains(QLatin1String(setting)) ? nullptr : target;
    };
    const std::array<Check, 9> checks{{
        {1, "node", 3, 0, 255, true, &node},
        {2, "max sensor", 2, 0, 64, true, &maxSensor},
        {3, "low temperature", 4, -100, 100, false, unlessIgnored("low-temperature", &lowTemperature)},
        {4, "high temperature", 4, -100, 100, false, unlessIgnored("high-temperature", &highTemperature)},
        {5, "low humidity", 4, -100, 100, false, unlessIgnored("low-humidity", &lowHumidity)},
        {6, "high humidity", 4, -100, 100, false, unlessIgnored("high-humidity", &highHumidity)},
        {10, "PWM", 3, 0, 255, true, unlessIgnored("pwm", &pwm)},
        {11, "mode", 1, 0, 3, true, unlessIgnored("mode", &mode)},
        {13, "sequence", 2, 0, 99, true, nullptr},
    }};
    QStringList applied;
    std::array<std::optional<QString>, 9> values;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const QString text = field(checks[i].index);
        if (text.isEmpty()) {
            if (checks[i].index == 13)
                return {false, QStringLiteral("no sequence number")};
            continue;
        }
        if (text.size() <= checks[i].maxLength)
            values[i] = numberInRange(text, checks[i].low, checks[i].high, checks[i].integer);
        if (!values[i])
            return {false, QStringLiteral("%1 \"%2\" is out of range").arg(QLatin1String(checks[i].name), text)};
    }
    const QString hotColdText = field(7);
    if (!hotColdText.isEmpty() && hotColdText != u"11" && hotColdText != u"10" && hotColdText != u"1" && hotColdText != u"0")
        return {false, QStringLiteral("HOT-COLD \"%1\" is not 11, 10, 1 or 0").arg(hotColdText)};
    for (int relay : {8, 9}) {
        const QString text = field(relay);
        if (!text.isEmpty() && text != u"1" && text != u"0")
            return {false, QStringLiteral("relay \"%1\" is not 1 or 0").arg(text)};
    }

    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (values[i] && checks[i].target) {
            *checks[i].target = *values[i];
            applied.append(QStringLiteral("%1=%2").arg(QLatin1String(checks[i].name), *values[i]));
        }
    }
    if (!hotColdText.isEmpty() && !ignored.contains(QLatin1String("hot-cold"))) {
        hotCold = hotColdText;
        applied.append(QStringLiteral("HOT-COLD=%1").arg(hotColdText));
    }
    if (!field(8).isEmpty() && !ignored.contains(QLatin1String("relay1"))) {
        relay1 = field(8) == u"1";
        applied.append(QStringLiteral("relay1=%1").arg(field(8)));
    }
    if (!field(9).isEmpty() && !ignored.contains(QLatin1String("relay2"))) {
        relay2 = field(9) == u"1";
        applied.append(QStringLiteral("relay2=%1").arg(field(9)));
    }
    return {true, applied.isEmpty() ? QStringLiteral("nothing to change") : applied.join(u", ")};
}

QList<QByteArray> LineSplitter::feed(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (char c : bytes) {
        if (c == '\n' && m_partial.endsWith('\r')) {
            m_partial.chop(1);
            lines.append(std::exchange(m_partial, {}));
        } else if (m_partial.size() < kMaxLine) {
            m_partial.append(c);
        } else if (c == '\r') {
            // Keep the line's end recognisable after a cut.
            m_partial.back() = '\r';
        }
    }
    return lines;
}
