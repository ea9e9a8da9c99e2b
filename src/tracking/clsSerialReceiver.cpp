#include "clsSerialReceiver.h"

#include "clsSerialPort.h"
#include "shell/modPrivate.h"

clsSerialReceiver::clsSerialReceiver(const QString& programFolder, QObject* parent)
    : clsSerialReceiver(programFolder, std::make_unique<clsSerialPort>(programFolder), parent) {}

clsSerialReceiver::clsSerialReceiver(const QString& programFolder,
                                     std::unique_ptr<ISerialPort> port, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_port(std::move(port)) {
    connect(m_port.get(), &ISerialPort::DataArrived, this, &clsSerialReceiver::HandleDataArrived);
    connect(m_port.get(), &ISerialPort::DeviceLost, this, &clsSerialReceiver::HandleDeviceLost);
}

QString clsSerialReceiver::Toggle(int portIndex, int settingIndex, const QString& settingText) {
    if (m_port->IsOpen()) {
        Close();
        return QString();
    }
    return Open(portIndex, settingIndex, settingText);
}

QString clsSerialReceiver::Open(int portIndex, int settingIndex, const QString& settingText) {
    const QString error = m_port->Open(portIndex + 1, settingText);
    if (!error.isEmpty()) {
        return error;
    }
    const QString section = QStringLiteral("Settings");
    modPrivate::WriteSetting(m_programFolder, section, QStringLiteral("CommPort"),
                             QString::number(portIndex + 1));
    modPrivate::WriteSetting(m_programFolder, section, QStringLiteral("Setting"),
                             QString::number(settingIndex));
    return QString();
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
