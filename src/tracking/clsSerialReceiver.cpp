#include "tracking/clsSerialReceiver.h"

#include "shell/modPrivate.h"
#include "tracking/clsSerialPort.h"

clsSerialReceiver::clsSerialReceiver(const QString& programFolder, QObject* parent)
    : clsSerialReceiver(programFolder, std::make_unique<clsSerialPort>(programFolder), parent) {}

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

void clsSerialReceiver::HandleDataArrived() {
    if (!m_port->IsOpen()) {
        return;
    }
    m_framer.Append(m_port->ReadAll(),
                    [this](QStringView sentence) { emit SentenceReceived(sentence.toString()); });
}

void clsSerialReceiver::HandleDeviceLost(const QString& description) {
    m_port->Close();
    emit PortLost(description);
}
