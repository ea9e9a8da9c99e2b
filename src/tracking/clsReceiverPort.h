#pragma once

#include "tracking/ISerialPort.h"
#include "tracking/clsNetworkPort.h"
#include "tracking/clsSerialPort.h"

// The port the station receives through: entry COMn of section "Ports" names a serial
// device or a network source (see clsPortAddress), and each opening takes the one that the
// settings file names then.
class clsReceiverPort : public ISerialPort {
    Q_OBJECT

public:
    explicit clsReceiverPort(const QString& programFolder, QObject* parent = nullptr);

    // Opens the serial device or the network source of port portNumber; what either throws
    // and promises is that of clsSerialPort::Open or clsNetworkPort::Open.
    void Open(int portNumber, const QString& settings) override;
    void Close() override;
    bool IsOpen() const override;
    QString ReadAll() override;

private:
    QString m_programFolder;
    clsSerialPort m_serial;
    clsNetworkPort m_network;
    ISerialPort* m_active;
};
