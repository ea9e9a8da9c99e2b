#include "tracking/clsSerialReceiver.h"

#include "shell/modPrivate.h"
#include "tracking/clsReceiverPort.h"
#include "tracking/clsSerialPort.h"

#include <QScopeGuard>

clsSerialReceiver::clsSerialReceiver(const QString& programFolder, QObject* parent)
    : clsSerialReceiver(programFolder, std::make_unique<clsReceiverPort>(programFolder), parent) {}

clsSerialReceiver::clsSerialReceiver(const QString& programFolder,
                                     std::unique_ptr<ISerialPort> port, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_port(std::move(port)) {
    connect(m_port.get(), &ISerialPort::DataArrived, this, &clsSerialReceiver::HandleDataArrived);
    connect(m_port.get(), &ISerialPort::DeviceLost, this, &clsSerialReceiver::HandleDeviceLost);
}

void clsSerialReceiver::Toggle(int portIndex, int settingIndex, const QString& settingText) {
    if (m_port->IsOpen()) {
        Close();
    } else {
        Open(portIndex, settingIndex, settingText);
    }
}

void clsSerialReceiver::Open(int portIndex, int settingIndex, const QString& settingText) {
    m_port->Open(portIndex + 1, settingText);
    m_openedPort = QStringLiteral("COM%1").arg(portIndex + 1);
    m_openedDevice = clsSerialPort::DeviceForPort(m_programFolder, portIndex + 1);
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::CommPort,
                             QString::number(portIndex + 1));
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::LineSetting,
                             QString::number(settingIndex));
}

void clsSerialReceiver::Close() {
    m_port->Close();
}

bool clsSerialReceiver::IsOpen() const {
    return m_port->IsOpen();
}

// A handler that lets events run (a message box) lets more input arrive meanwhile. The
// port does not announce it while it is still announcing the input before, and another
// port might announce it in a call nested in the handler: either way it is read here, once
// the sentences before it are handed on, and not in a nested call.
void clsSerialReceiver::HandleDataArrived() {
    if (m_handingOn) {
        return;
    }
    m_handingOn = true;
    const auto done = qScopeGuard([this] { m_handingOn = false; });
    for (QString input; m_port->IsOpen() && !(input = m_port->ReadAll()).isEmpty();) {
        m_framer.Append(input, [this](QStringView sentence) {
            if (m_port->IsOpen()) {
                emit SentenceReceived(sentence.toString());
            }
        });
    }
}

void clsSerialReceiver::HandleDeviceLost(const QString& description) {
    m_port->Close();
    emit PortLost(modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ReceiverLost)
                      .arg(m_openedPort, m_openedDevice, description));
}
