#include "tracking/clsReceiverPort.h"

#include "tracking/clsPortAddress.h"

clsReceiverPort::clsReceiverPort(const QString& programFolder, QObject* parent)
    : ISerialPort(parent), m_programFolder(programFolder), m_serial(programFolder),
      m_network(programFolder), m_active(&m_serial) {
    for (ISerialPort* port : {static_cast<ISerialPort*>(&m_serial),
                              static_cast<ISerialPort*>(&m_network)}) {
        connect(port, &ISerialPort::DataArrived, this, &ISerialPort::DataArrived);
        connect(port, &ISerialPort::DeviceLost, this, &ISerialPort::DeviceLost);
    }
}

void clsReceiverPort::Open(int portNumber, const QString& settings) {
    ISerialPort* chosen = &m_serial;
    if (clsPortAddress::IsNetwork(clsSerialPort::DeviceForPort(m_programFolder, portNumber))) {
        chosen = &m_network;
    }
    chosen->Open(portNumber, settings);
    m_active = chosen;
}

void clsReceiverPort::Close() {
    m_active->Close();
}

bool clsReceiverPort::IsOpen() const {
    return m_active->IsOpen();
}

QString clsReceiverPort::ReadAll() {
    return m_active->ReadAll();
}
