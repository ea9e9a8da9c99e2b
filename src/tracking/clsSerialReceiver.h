#pragma once

#include "tracking/ISerialPort.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsReceiverState.h"
#include "tracking/clsSentenceFramer.h"
#include "tracking/clsTalkerLock.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>

// Live reception of the main window: the connect button's open and close of the port
// (a serial device or a network source), the framing of what arrives into lines, and the
// choice of the RMC sentences to decode: those of the one talker the link follows
// (clsTalkerLock). They leave by SentenceReceived one at a time, strictly in arrival
// order, and only while the port is open: input that arrives while a handler lets events
// run (a message box) waits until the sentences before it are handled. A burst is handed
// on in turns of at most about HandOnTurn, with the event loop run between them. What
// arrived is counted in the receiver's state.
class clsSerialReceiver : public QObject {
    Q_OBJECT

public:
    using Clock = clsHistoryLog::Clock;
    // Milliseconds of handing on after which the rest of a burst waits for the next turn
    // of the event loop (the sentence begun is handed on whole).
    static constexpr int HandOnTurn = 50;

    // Receives through the serial device or network source that the settings file names;
    // clock gives the local time at which a line arrives.
    explicit clsSerialReceiver(const QString& programFolder, QObject* parent = nullptr,
                               Clock clock = clsHistoryLog::SystemClock);
    // Receives through the given port.
    clsSerialReceiver(const QString& programFolder, std::unique_ptr<ISerialPort> port,
                      QObject* parent = nullptr, Clock clock = clsHistoryLog::SystemClock);

    // The connect button: opens the port when it is closed, closes it when it is open.
    // The arguments are those of Open, which throws when the port does not open.
    void Toggle(int portIndex, int settingIndex, const QString& settingText);

    // Opens port portIndex + 1 (portIndex is the chosen entry of the port list counted
    // from 0, -1 when none is chosen) with settingText, the chosen entry settingIndex of
    // the settings list. Only after success are both choices stored in the settings
    // file, and the talker and the state start afresh. A failure throws clsStationError
    // with the description, and nothing changed.
    void Open(int portIndex, int settingIndex, const QString& settingText);
    // Closes the port, and stops the retries of a lost one; sentences received and not yet
    // handed on are dropped.
    void Close();
    // Open, or lost and being tried again.
    bool IsOpen() const;

    // Whether a lost port is tried again (off by default): then the loss is not reported
    // by PortLost but by Retrying, and the port is opened again with the same entry and
    // line setting after 1, 2, 4, ... up to MaxRetryDelay seconds, without storing them
    // again, until it opens or Close is called.
    void SetAutoReconnect(bool enabled) { m_autoReconnect = enabled; }
    // The operator's choice: the same, and stored in the settings file ("1" or "0").
    void ChooseAutoReconnect(bool enabled);
    static constexpr int MaxRetryDelay = 30; // seconds
    // The delay after previous seconds (0 for the first retry of a loss).
    static int NextRetryDelay(int previous);
    bool IsRetrying() const { return m_retryTimer.isActive(); }
    // Whole seconds, rounded up, until the next retry; 0 when none is due.
    int SecondsToRetry() const;
    // The receiver in words for the status bar: empty while closed, the seconds to the next
    // try while retrying, otherwise the stage of State() at now.
    QString PanelText(const clsProfileText& language, const QDateTime& now) const;

    // Characters received after the last carriage return.
    const QString& ReceiveBuffer() const { return m_framer.ReceiveBuffer(); }
    // What arrived since the last opening (retries included).
    const clsReceiverState& State() const { return m_state; }

signals:
    // An RMC sentence to decode and the local time at which it arrived (a sentence held
    // back until its talker was known leaves later than it arrived).
    void SentenceReceived(const QString& sentence, const QDateTime& arrived);
    // The device went away; the port is already closed. Once per opening; message names
    // the port and its device, for the operator.
    void PortLost(const QString& message);
    // The port was lost (or a retry failed) and is tried again in seconds.
    void Retrying(int seconds);
    // A retry opened the port again.
    void Reconnected();

private:
    void HandleDataArrived();
    // Hands on the waiting lines, reading the port whenever they are gone, until it holds
    // nothing more; with turnMs >= 0 the rest waits for the next turn once that many
    // milliseconds have passed.
    void HandOn(int turnMs);
    // Frames what the port holds into the waiting lines; false when it held nothing.
    bool ReadArrived();
    void DropWaiting();
    void HandleLine(QStringView line);
    void HandleDeviceLost(const QString& description);
    void ScheduleRetry();
    void Retry();

    QString m_programFolder;
    std::unique_ptr<ISerialPort> m_port;
    Clock m_clock;
    clsSentenceFramer m_framer;
    clsTalkerLock m_talkerLock;
    clsReceiverState m_state;
    bool m_handingOn = false;
    std::deque<QString> m_waiting; // framed lines not yet handed on, oldest first
    QTimer m_nextTurn;             // the next turn of a burst
    QString m_openedPort;   // "COMn" opened last
    QString m_openedDevice; // and its device
    int m_openedNumber = 0;
    QString m_openedSettings;
    bool m_autoReconnect = false;
    QTimer m_retryTimer;
    int m_retryDelay = 0; // seconds of the last retry since data last arrived
};
