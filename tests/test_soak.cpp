// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window on a pseudo-terminal fed with hostile bytes as fast as it takes
// them: NUL and 0xFF runs, "?" storms, 10,000-character lines, random bytes, valid and
// broken frames mixed. Nothing may crash, memory stays bounded, and the display always
// shows exactly what the accepted frames put there.

#include "telemetry/FrameAssembler.h"
#include "telemetry/LampState.h"
#include "ui/StatusFields.h"
#include "ui/Form1.h"
#include "ui/LampWidget.h"

#include "support/PseudoTerminal.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <random>

namespace {

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kGrowthLimitKb = 256 * 1024; // the sanitizer holds freed memory in quarantine
#else
constexpr qint64 kGrowthLimitKb = 16 * 1024;
#endif

class Generator {
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    QByteArray next()
    {
        switch (pick(8)) {
        case 0:
            return QByteArray(pick(2000) + 1, '\0');
        case 1:
            return QByteArray(pick(2000) + 1, '\xff');
        case 2:
            return QByteArray(pick(1000) + 1, '?');
        case 3:
            return QByteArray(10000, static_cast<char>('A' + pick(26)));
        case 4: {
            QByteArray bytes(pick(4000) + 1, '\0');
            for (char& c : bytes)
                c = static_cast<char>(pick(256));
            return bytes;
        }
        default:
            return frames(pick(20) + 1);
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    QByteArray frames(int count)
    {
        QByteArray out;
        for (int i = 0; i < count; ++i) {
            QByteArray frame = "?NODE=" + QByteArray::number(pick(256));
            for (int field = 1; field < 16; ++field)
                frame += ',' + QByteArray::number(pick(1000) / 10.0, 'f', 1);
            frame += ',';
            if (frame.size() < 70)
                frame.append(70 - frame.size(), '0');
            if (pick(10) == 0)
                frame[6] = pick(2) ? ',' : ' ';
            if (pick(10) == 0)
                frame.truncate(pick(frame.size()));
            out += frame + "\r\n";
        }
        return out;
    }

    std::mt19937 m_random;
};

} // namespace

class SoakTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostileLineForAMinute()
    {
        const int seconds = qEnvironmentVariableIntValue("ZEQ_SOAK_SECONDS") > 0 ? qEnvironmentVariableIntValue("ZEQ_SOAK_SECONDS") : 15;
        PseudoTerminal pty;
        PortTable table([] { return QList<SystemSerialDevice>{}; });
        table.setMapping(7, pty.path());
        Form1 form(table);
        form.startUp();
        form.show();
        form.findChild<QComboBox*>("Combo1")->lineEdit()->setText(QStringLiteral("COM7"));
        form.findChild<QPushButton*>("Command1")->click();
        QVERIFY(form.comm().portOpen());

        // The reference: the same bytes through a frame assembler of the test's own, and
        // the display those frames must produce.
        FrameAssembler reference;
        QMap<QString, QString> expectedText;
        for (const StatusTextField& field : kStatusTextFields)
            expectedText[QLatin1String(field.control)] = form.findChild<QLabel*>(QLatin1String(field.control))->text();
        QMap<QString, bool> expectedLamp;

        Generator generator(20261207);
        QElapsedTimer elapsed;
        elapsed.start();
        qint64 startKb = 0;
        qint64 trendStartKb = 0;
        quint64 written = 0;
        int rounds = 0;
        while (elapsed.elapsed() < seconds * 1000) {
            const QByteArray chunk = generator.next();
            for (char c : chunk) {
                if (reference.receive(c) != FrameAssembler::Outcome::Accepted)
                    continue;
                for (const StatusTextField& field : kStatusTextFields)
                    if (field.frameIndex < reference.rxFields.size())
                        expectedText[QLatin1String(field.control)] = reference.rxFields.at(field.frameIndex);
                for (const StatusLamp& lamp : kStatusLamps)
                    expectedLamp[QLatin1String(lamp.control)] = lampIsOn(reference.rxFields, lamp.frameIndex);
            }
            // Write without blocking and let the window read between writes.
            qsizetype offset = 0;
            while (offset < chunk.size()) {
                const qint64 n = pty.writeSome(chunk.sliced(offset));
                if (n > 0)
                    offset += n;
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            written += static_cast<quint64>(chunk.size());
            QTRY_COMPARE_WITH_TIMEOUT(form.reception().charactersReceived, written, 20000);

            for (auto it = expectedText.cbegin(); it != expectedText.cend(); ++it)
                QCOMPARE(form.findChild<QLabel*>(it.key())->text(), it.value());
            for (const StatusLamp& lamp : kStatusLamps) {
                if (!expectedLamp.contains(QLatin1String(lamp.control)))
                    continue;
                const QColor fill = form.findChild<LampWidget*>(QLatin1String(lamp.control))->fillColor();
                QCOMPARE(fill, expectedLamp[QLatin1String(lamp.control)] ? lamp.onFill : lamp.offFill);
            }
            QCOMPARE(form.reception().framesAccepted, reference.framesAccepted);
            QCOMPARE(form.reception().framesDropped, reference.framesDropped);
            if (++rounds == 50) {
                startKb = residentKb();
                trendStartKb = static_cast<qint64>(form.trend().usedBytes() / 1024);
            }
        }
        // The trend keeps every accepted frame, up to its bound, in room reserved at the first
        // frame: the pages its frames fill are intended growth.
        const qint64 trendGrowthKb = static_cast<qint64>(form.trend().usedBytes() / 1024) - trendStartKb;
        const qint64 growthKb = residentKb() - startKb - trendGrowthKb;
        qInfo("%d chunks, %llu bytes, %llu frames accepted, %llu dropped, resident size grew %lld kB", rounds,
              static_cast<unsigned long long>(written), static_cast<unsigned long long>(reference.framesAccepted),
              static_cast<unsigned long long>(reference.framesDropped), growthKb);
        QVERIFY(rounds > 50);
        QVERIFY(reference.framesAccepted > 100);
        QVERIFY2(growthKb < kGrowthLimitKb, qPrintable(QString::number(growthKb)));
        QVERIFY(form.comm().portOpen());
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
