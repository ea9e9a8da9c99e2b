#include "tracking/clsSerialReceiver.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/clsReceiverPort.h"
#include "tracking/clsSerialPort.h"
#include "tracking/modNmeaDecoder.h"

#include <QElapsedTimer>
#include <QScopeGuard>

clsSerialReceiver::clsSerialReceiver(const QString& programFolder, QObject* parent, Clock clock)
    : clsSerialReceiver(programFolder, std::make_unique<clsReceiverPort>(programFolder), parent,
                        std::move(clock)) {}

clsSerialReceiver::clsSerialReceiver(const QString& programFolder,
                                     std::unique_ptr<ISerialPort> port, QObject* parent,
                                     Clock clock)
    : QObject(parent), m_programFolder(programFolder), m_port(std::move(port)),
      m_clock(std::move(clock)) {
    connect(m_port.get(), &ISerialPort::DataArrived, this, &clsSerialReceiver::HandleDataArrived);
    connect(m_port.get(), &ISerialPort::DeviceLost, this, &clsSerialReceiver::HandleDeviceLost);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &clsSerialReceiver::Retry);
    m_nextTurn.setSingleShot(true);
    connect(&m_nextTurn, &QTimer::timeout, this, &clsSerialReceiver::HandleDataArrived);
}

void clsSerialReceiver::Toggle(int portIndex, int settingIndex, const QString& settingText) {
    if (IsOpen()) {
        Close();
    } else {
        Open(portIndex, settingIndex, settingText);
    }
}

void clsSerialReceiver::Open(int portIndex, int settingIndex, const QString& settingText) {
    m_port->Open(portIndex + 1, settingText);
    m_openedNumber = portIndex + 1;
    m_openedSettings = settingText;
    m_retryDelay = 0;
    m_talkerLock.Reset();
    m_state.Reset();
    m_openedPort = QStringLiteral("COM%1").arg(portIndex + 1);
    m_openedDevice = clsSerialPort::DeviceForPort(m_programFolder, portIndex + 1);
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::CommPort,
                             QString::number(portIndex + 1));
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::LineSetting,
                             QString::number(settingIndex));
}

void clsSerialReceiver::Close() {
    m_retryTimer.stop();
    DropWaiting();
    m_port->Close();
}

bool clsSerialReceiver::IsOpen() const {
    return m_port->IsOpen() || IsRetrying();
}

void clsSerialReceiver::ChooseAutoReconnect(bool enabled) {
    SetAutoReconnect(enabled);
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::AutoReconnect,
                             enabled ? QStringLiteral("1") : QStringLiteral("0"));
}

int clsSerialReceiver::NextRetryDelay(int previous) {
    return previous <= 0 ? 1 : qMin(previous * 2, MaxRetryDelay);
}

int clsSerialReceiver::SecondsToRetry() const {
    return IsRetrying() ? (m_retryTimer.remainingTime() + 999) / 1000 : 0;
}

QString clsSerialReceiver::PanelText(const clsProfileText& language, const QDateTime& now) const {
    if (IsRetrying()) {
        return modPrivate::ReadLanguage(language, modKeys::Messages::Retrying)
            .arg(SecondsToRetry());
    }
    return m_port->IsOpen() ? m_state.PanelText(language, now) : QString();
}

// A handler that lets events run (a message box) lets more input arrive meanwhile. The
// port does not announce it while it is still announcing the input before, and another
// port might announce it in a call nested in the handler: either way it is read here, once
// the sentences before it are handed on, and not in a nested call.
//
// A burst (a receiver's backlog, a fast link) is handed on in turns of HandOnTurn: the lines
// framed and not yet handed on wait, and the port is read again only when they are gone, so
// that the window answers between turns and nothing waits here that the port could hold.
void clsSerialReceiver::HandleDataArrived() {
    HandOn(HandOnTurn);
}

void clsSerialReceiver::HandOn(int turnMs) {
    if (m_handingOn) {
        return;
    }
    m_handingOn = true;
    const auto done = qScopeGuard([this] { m_handingOn = false; });
    QElapsedTimer turn;
    turn.start();
    while (m_port->IsOpen() && (!m_waiting.empty() || ReadArrived())) {
        if (m_waiting.empty()) {
            continue; // a part of a line
        }
        const QString line = std::move(m_waiting.front());
        m_waiting.pop_front();
        HandleLine(line);
        if (turnMs >= 0 && turn.hasExpired(turnMs)) {
            m_nextTurn.start();
            return;
        }
    }
}

bool clsSerialReceiver::ReadArrived() {
    const QString input = m_port->ReadAll();
    if (input.isEmpty()) {
        return false;
    }
    m_retryDelay = 0; // the source works again: a later loss starts from the first delay
    m_state.CountData();
    m_framer.Append(input, [this](QStringView line) { m_waiting.emplace_back(line.toString()); });
    return true;
}

void clsSerialReceiver::DropWaiting() {
    m_nextTurn.stop();
    m_waiting.clear();
}

// Every RMC of the talker followed reaches the decoder, which itself passes over one with a
// wrong checksum; the state counts only those it will take.
void clsSerialReceiver::HandleLine(QStringView line) {
    if (!m_port->IsOpen()) {
        return;
    }
    m_state.CountLine(line, modNmeaDecoder::ChecksumAgrees(line));
    if (!clsTalkerLock::IsRmc(line)) {
        return;
    }
    for (const clsTalkerLock::Arrival& arrival : m_talkerLock.Offer(line, m_clock())) {
        if (!m_port->IsOpen()) {
            return;
        }
        if (modNmeaDecoder::ChecksumAgrees(arrival.Sentence)) {
            m_state.CountTaken(arrival.Sentence, m_talkerLock.Talker(), arrival.Arrived);
        }
        emit SentenceReceived(arrival.Sentence, arrival.Arrived);
    }
    m_state.SetIgnored(m_talkerLock.IgnoredCount());
}

// What arrived before the loss is handed on whole, before the port closes.
void clsSerialReceiver::HandleDeviceLost(const QString& description) {
    HandOn(-1);
    DropWaiting();
    m_port->Close();
    if (m_autoReconnect) {
        m_framer.DropPartialLine(); // what comes after the gap does not continue it
        ScheduleRetry();
        return;
    }
    emit PortLost(modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ReceiverLost)
                      .arg(m_openedPort, m_openedDevice, description));
}

void clsSerialReceiver::ScheduleRetry() {
    m_retryDelay = NextRetryDelay(m_retryDelay);
    m_retryTimer.start(m_retryDelay * 1000);
    emit Retrying(m_retryDelay);
}

// A retry is not a new opening: nothing is stored, and the receiver's framing goes on.
void clsSerialReceiver::Retry() {
    try {
        m_port->Open(m_openedNumber, m_openedSettings);
    } catch (const clsStationError&) {
        ScheduleRetry();
        return;
    }
    emit Reconnected();
}
