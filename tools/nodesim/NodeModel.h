// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <random>

// The node's side of the line: its settings and readings, the status frame it sends, and
// the configuration commands it accepts.
class NodeModel {
public:
    explicit NodeModel(std::uint32_t seed = 4810);

    // The next status frame: "?NODE=", the node number, the 15 fields, padding to at
    // least 70 characters, CR LF. With breakRule the 7th character is a ",", so the
    // program must drop the frame.
    QByteArray statusFrame(bool breakRule = false);

    // Moves the readings on by one frame period: a slow drift, inputs now and then.
    void advance();

    struct Applied {
        bool accepted = false;
        QString detail; // what was applied, or why the command was refused
    };
    // Applies one received line without its CR LF: "@", 13 fields, a final empty one.
    Applied applyCommand(const QByteArray& line);

    // Settings the node takes commands for but keeps as they are, to show a command that
    // did not take effect: "mode", "pwm", "low-temperature", "high-temperature",
    // "low-humidity", "high-humidity", "hot-cold", "relay1", "relay2".
    QStringList ignored;
    static const QStringList kIgnorable;

    QString node = QStringLiteral("1");
    QString maxSensor = QStringLiteral("8");
    QString lowTemperature = QStringLiteral("20");
    QString highTemperature = QStringLiteral("30");
    QString lowHumidity = QStringLiteral("40");
    QString highHumidity = QStringLiteral("80");
    QString hotCold = QStringLiteral("10");
    QString mode = QStringLiteral("1");
    QString pwm = QStringLiteral("128");
    bool relay1 = false;
    bool relay2 = false;
    bool input1 = false;
    bool input2 = false;
    bool autoScan = true;
    double temperature = 25.0;
    double humidity = 55.0;
    int adc = 512;

private:
    std::mt19937 m_random;
    int m_frames = 0;
};

// Splits the received bytes into command lines ended by CR LF. Lines longer than a
// command can be are cut short and reported as such, so memory stays bounded.
class LineSplitter {
public:
    static constexpr qsizetype kMaxLine = 512;
    // Appends bytes; returns the complete lines they finish, without CR LF.
    QList<QByteArray> feed(const QByteArray& bytes);

private:
    QByteArray m_partial;
};
