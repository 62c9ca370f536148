// SPDX-License-Identifier: GPL-3.0-or-later
// What is Windows' own: the serial control's words for what went wrong, the COM names the
// system lists, record appends that never leave a partial record, and the files a log may
// be read from. Run under Wine by scripts/windows-check, which offers the node
// simulator's line as a COM port (ZEQ_TEST_COM) and a nearly full drive (ZEQ_TEST_FULL_DRIVE).

#include "logging/LogFile.h"
#include "platform/FileAppend.h"
#include "platform/FileRead.h"
#include "platform/windows/WinSerialControl.h"
#include "serial/ComName.h"
#include "serial/SerialLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

class WindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A number without a device, the edge of the range, and a port another holder has.
    void serialControlSaysWhatWentWrong()
    {
        PortTable table;
        const std::unique_ptr<CommControl> comm = makeSerialControl(table);
        const std::initializer_list<std::pair<int, const char*>> absent{
            {0, "Invalid port number"}, {99, "No device is present for COM99"}, {100, "No device is present for COM100"},
            {101, "COM1 to COM100 only"}};
        for (const auto& [number, words] : absent) {
            comm->setCommPort(number);
            const CommResult result = comm->setPortOpen(true);
            QVERIFY(result);
            QCOMPARE(result->code, CommError::NoSuchPort);
            QCOMPARE(result->description, QLatin1String(words));
        }
        const int port = qEnvironmentVariableIntValue("ZEQ_TEST_COM");
        if (port == 0)
            QSKIP("no COM port offered (ZEQ_TEST_COM)");
        comm->setCommPort(port);
        QVERIFY(!comm->setPortOpen(true));
        QCOMPARE(comm->setPortOpen(true)->code, CommError::AlreadyOpen);
        QVERIFY(!comm->setPortOpen(false));
    }

    // What the system answers when a COM port will not open, in the user's words. (Wine lets
    // a port be opened twice, so these answers are Windows' own and cannot be provoked here.)
    void openFailuresInWords()
    {
        const std::initializer_list<std::tuple<DWORD, int, const char*>> rows{
            {ERROR_FILE_NOT_FOUND, CommError::NoSuchPort, "No device is present for COM7"},
            {ERROR_SHARING_VIOLATION, CommError::DeviceUnavailable, "COM7 is in use by another program"},
            {ERROR_ACCESS_DENIED, CommError::DeviceUnavailable, "COM7: access denied; it is in use by another program, or this user may not open it"},
        };
        for (const auto& [error, code, words] : rows) {
            QCOMPARE(openFailure(error, 7).code, code);
            QCOMPARE(openFailure(error, 7).description, QLatin1String(words));
        }
        QVERIFY(openFailure(ERROR_GEN_FAILURE, 7).description.startsWith(QLatin1String("COM7 cannot be opened: ")));
    }

    // The system's COM names, each with the device path the control opens.
    void theSystemListsItsComNames()
    {
        QVERIFY(comNamesAreNative());
        const int port = qEnvironmentVariableIntValue("ZEQ_TEST_COM");
        if (port == 0)
            QSKIP("no COM port offered (ZEQ_TEST_COM)");
        const QList<SystemSerialDevice> devices = systemSerialDevices();
        const auto listed = std::find_if(devices.begin(), devices.end(), [port](const SystemSerialDevice& device) {
            return device.systemLocation == QStringLiteral("\\\\.\\COM%1").arg(port);
        });
        QVERIFY(listed != devices.end());
        QVERIFY(!listed->description.isEmpty());
        QCOMPARE(PortTable().presentPort(port)->path, listed->systemLocation);
        for (const SystemSerialDevice& device : devices)
            QVERIFY2(comNumberForDevice(device.systemLocation).value_or(0) <= 100, qPrintable(device.systemLocation));
    }

    // A file another program holds exclusively takes nothing and keeps what it has; a disk
    // that fills up mid-record is cut back to the last whole record.
    void appendsLeaveWholeRecordsOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.txt"));
        const QByteArray record = "12-08-2026    12:00:00      1             25.3          60.2\r\n";
        QVERIFY(!appendWhole(path, record));
        HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        const std::optional<QString> refused = appendWhole(path, record);
        CloseHandle(held);
        QCOMPARE(refused.value_or(QString()), QStringLiteral("it is open in another program that lets no one else write it"));
        QCOMPARE(QFileInfo(path).size(), record.size());
        QVERIFY(appendWhole(QStringLiteral("NUL"), record).has_value()); // a device, not a file

        const QString drive = qEnvironmentVariable("ZEQ_TEST_FULL_DRIVE");
        if (drive.isEmpty())
            QSKIP("no small drive offered (ZEQ_TEST_FULL_DRIVE)");
        const QString full = drive + QStringLiteral("data.txt");
        QFile::remove(full);
        std::optional<QString> failure;
        int written = 0;
        for (; written < 100'000 && !(failure = appendWhole(full, record)); ++written) {
        }
        QVERIFY2(failure, "the drive never filled");
        QVERIFY(written > 0);
        QCOMPARE(QFileInfo(full).size(), qint64(written) * record.size());
        QFile::remove(full);
    }

    // A log is read only from a regular file: a folder or a device is refused at once.
    void logsAreReadFromFilesOnly()
    {
        QTemporaryDir dir;
        QVERIFY(std::holds_alternative<QString>(openRegularFile(dir.path())));
        QVERIFY(std::holds_alternative<QString>(openRegularFile(QStringLiteral("NUL"))));
        QFile file(dir.filePath(QStringLiteral("data.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QVERIFY(std::holds_alternative<std::unique_ptr<QFile>>(openRegularFile(file.fileName())));
    }
};

QTEST_GUILESS_MAIN(WindowsTest)
#include "test_windows.moc"
