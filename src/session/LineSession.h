// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NodeCensus.h"
#include "config/ConfigSender.h"
#include "logging/Clock.h"
#include "logging/LogFile.h"
#include "logging/RecordBacklog.h"
#include "serial/CommControl.h"
#include "telemetry/FrameAssembler.h"
#include "telemetry/FrameFields.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class QTimer;

// One node's line, from the characters the serial control delivers to the records in the
// log and the commands sent back: frame assembly, the texts the display shows, the
// silence watch (Timer2), the send window after each frame (Timer3), record writing with
// its health, and the send path with its confirmation. The desktop window and the
// headless logger each run one and differ only in what they do with its signals.
class LineSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSilenceTickPeriod{1000};
    static constexpr std::chrono::milliseconds kSendWindowLength{300};

    LineSession(std::unique_ptr<CommControl> comm, QObject* parent = nullptr);
    ~LineSession() override;

    CommControl& comm() { return *m_comm; }
    const CommControl& comm() const { return *m_comm; }
    const FrameAssembler& reception() const { return m_rx; }
    // 2 from a frame's completion until the send window closes, 0 otherwise.
    std::uint8_t flagRxByte() const { return m_rx.flagRxByte; }
    ConfigSender& sender() { return *m_sender; }
    // The nodes the line really carries, and the current one.
    const NodeCensus& census() const { return m_census; }

    // The text the display shows for a field: the start texts before the first frame, a
    // frame's own text once it carried the field, the idle texts after a silence.
    const QString& shown(FrameField::Index field) const { return m_shown[field]; }
    // Whether a frame was accepted since the start, the last silence or the last
    // watchSilenceFromNow.
    bool hasFreshFrame() const { return m_fresh; }
    // Accepted frames that no node sent (see nodeFrame).
    quint64 framesNotFromNode() const { return m_notFromNode; }
    // How the line is doing, for people: frames accepted (and how many of them no node
    // sent) and dropped, characters received, the age of the last frame.
    QString lineQuality() const;
    // Returns the shown texts to their idle look.
    void clearShown();

    void setClock(const Clock* clock) { m_clock = clock ? clock : &m_systemClock; }
    const Clock& clock() const { return *m_clock; }
    void setLogPath(const QString& path) { m_logPath = path; }
    const QString& logPath() const { return m_logPath; }
    // The log file's full name, as the user would look for it.
    QString logFileName() const;
    // Appends a record of the shown node, temperature and humidity, stamped now, after any
    // records that are waiting for the file; when the file cannot be written, this one
    // waits too.
    LogHealth::Change writeRecord();
    const LogHealth& logHealth() const { return m_logHealth; }
    const RecordBacklog& backlog() const { return m_backlog; }
    // The log's state for people: why it cannot be written and how many records wait, or
    // how many waiting records were written when it recovered.
    QString logHealthText(LogHealth::Change change) const;
    // A folder that does not take the log file at all is no passing trouble: when a
    // record's failure was the first of its run and no file is there, the message that
    // says so with what to do (its text, then the advice), once a session.
    struct FolderRefusal {
        QString text;
        QString advice;
    };
    std::optional<FolderRefusal> folderRefusal(LogHealth::Change change);

    // Starts the silence watch now, with no character counted yet: for a reader that
    // wants to hear of a line that stays silent from the open on.
    void watchSilenceFromNow();

public Q_SLOTS:
    // One run of received characters, each counted as its own receive event.
    void OnComm(const QByteArray& run);
    void silenceTick();    // Timer2
    void sendWindowTick(); // Timer3

Q_SIGNALS:
    // An accepted frame, for the display; its fields are reception().rxFields.
    void frameAccepted(const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    // An accepted frame that a node sent: it began at its own "?" and names a node by
    // number. Only these leave the program (trend, publishing) or confirm a command.
    void nodeFrame(const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    // A node frame of a node the census counts real (`node`, as its node field names it),
    // once the census has counted it.
    void realNodeFrame(const QString& node, const QStringList& fields, qint64 receivedMsecsSinceEpoch);
    // The line was silent for six silence ticks; the shown texts are idle again.
    void silenced();
    // flagRxByte has risen to 2.
    void sendWindowOpened();

private:
    void frameCompleted(FrameAssembler::Outcome outcome);

    std::unique_ptr<CommControl> m_comm;
    FrameAssembler m_rx;
    std::array<QString, FrameField::Count> m_shown;
    bool m_fresh = false;
    quint64 m_notFromNode = 0;
    NodeCensus m_census;
    QElapsedTimer m_sinceFrame;
    SystemClock m_systemClock;
    const Clock* m_clock = &m_systemClock;
    QString m_logPath = QString::fromLatin1(kLogFileName);
    LogHealth m_logHealth;
    RecordBacklog m_backlog;
    std::size_t m_waitingBefore = 0;
    bool m_folderRefusalSaid = false;
    QTimer* m_timer2;
    QTimer* m_timer3;
    ConfigSender* m_sender;
};
