// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <variant>

// A failed operation of the serial control: a numeric code and a text for people.
struct CommFailure {
    int code = 0;
    QString description;
};

// Empty when the operation succeeded.
using CommResult = std::optional<CommFailure>;

namespace CommError {
inline constexpr int InvalidSetting = 380;  // a Settings text that cannot be parsed
inline constexpr int NoSuchPort = 8002;     // no present device has that COM number, or it is 0
inline constexpr int AlreadyOpen = 8005;    // the port is already open in this control
inline constexpr int DeviceUnavailable = 8010; // held by another program, or access denied
inline constexpr int PortClosed = 8012;     // read or write while the port is closed
} // namespace CommError

// The node's line: 115200 baud, no parity, 8 data bits, 1 stop bit.
inline constexpr const char* kLineSettings = "115200,n,8,1";

// A Settings text read: "baud,parity,data bits,stop bits", parity n, e or o (either case),
// 5 to 8 data bits, 1 or 2 stop bits.
struct LineSettings {
    enum class Parity { None, Even, Odd };
    int baudRate = 115200;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;
};
// The settings, or InvalidSetting ("Invalid property value") when the text is not one.
std::variant<LineSettings, CommFailure> parseLineSettings(const QString& settings);

// NoSuchPort for a COM number without a present device, in words: "Invalid port number"
// for 0, "COM1 to COM100 only" past COM100 (a box text may name COM101), else "No device
// is present for COMn".
CommFailure noSuchPort(int number);

namespace CommEvents {
inline constexpr int Receive = 2; // characters received
} // namespace CommEvents

// The serial communications control through which all line traffic passes. The
// operations mirror a classic comm control: set CommPort and Settings, then set PortOpen.
// What the device delivers is handed on as one run of characters per read, in order of
// arrival; a reader takes them one by one, as if each had raised its own event.
class CommControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setCommPort(int portNumber) = 0;
    virtual int commPort() const = 0;
    virtual CommResult setSettings(const QString& settings) = 0;

    virtual bool portOpen() const = 0;
    virtual CommResult setPortOpen(bool open) = 0;

    virtual CommResult setOutput(const QByteArray& bytes) = 0;

Q_SIGNALS:
    // The characters of one read from the device, valid during the call.
    void received(const QByteArray& run);
    // The port was closed by the control itself because the device failed.
    void deviceLost(const QString& reason);
};
