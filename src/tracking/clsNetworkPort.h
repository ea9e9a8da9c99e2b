#pragma once

#include "shell/modKeys.h"
#include "tracking/ISerialPort.h"
#include "tracking/clsPortAddress.h"

#include <QByteArray>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

// A network source behind the port interface: raw NMEA over TCP, NMEA datagrams over
// UDP, or the sentences that a gpsd daemon relays. What arrives reads as the characters a
// serial receiver would send, so framing and decoding do not know the difference.
class clsNetworkPort : public ISerialPort {
    Q_OBJECT

public:
    // How long a TCP or gpsd connection may take to be accepted.
    static constexpr int ConnectTimeout = 10000; // ms

    explicit clsNetworkPort(const QString& programFolder, QObject* parent = nullptr);

    // Opens the network source that port number portNumber names in section "Ports";
    // the line settings do not apply. See OpenAddress.
    void Open(int portNumber, const QString& settings) override;
    // Receives from address (not a device). TCP and gpsd: the connection is started and
    // IsOpen is true at once; a refusal, no acceptance within ConnectTimeout, a closed or
    // broken connection, an answer that is not gpsd's, a gpsd line longer than 64 KB and a
    // gpsd error arrive by DeviceLost, whose description says which. UDP: the port is bound
    // now; a failure throws clsStationError naming portName and the address, and nothing is
    // open.
    void OpenAddress(const QString& portName, const clsPortAddress& address);
    void Close() override;
    bool IsOpen() const override { return m_open; }
    // TCP and UDP: the bytes as they arrived (a datagram without a line end gets CR LF, so
    // that it is framed by itself). gpsd: the relayed sentences, without gpsd's replies.
    QString ReadAll() override;

    // The newest gpsd release that answered since the opening, or empty.
    const QString& GpsdRelease() const { return m_gpsdRelease; }

private:
    void HandleConnected();
    void HandleTcpData();
    void HandleDatagrams();
    void HandleSocketError(QAbstractSocket::SocketError error);
    void TakeGpsdLines(const QByteArray& data);
    bool TakeGpsdReply(const QByteArray& line);
    void Lose(const QString& description);
    QString Message(const LanguageCode& code) const;

    QString m_programFolder;
    clsPortAddress m_address;
    QTcpSocket m_tcp;
    QUdpSocket m_udp;
    QTimer m_connectTimer;
    QByteArray m_pending;   // received and not yet read
    QByteArray m_gpsdLine;  // gpsd: the start of a line not yet complete
    QString m_gpsdRelease;
    bool m_open = false;
    bool m_lossReported = false;
};
