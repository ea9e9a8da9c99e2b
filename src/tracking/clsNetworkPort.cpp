#include "tracking/clsNetworkPort.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/clsGpsdReply.h"
#include "tracking/clsSerialPort.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <utility>

namespace {

// gpsd's lines are short; a peer that sends this much without a line end is not gpsd.
constexpr qsizetype MaxGpsdLine = 64 * 1024;

} // namespace

clsNetworkPort::clsNetworkPort(const QString& programFolder, QObject* parent)
    : ISerialPort(parent), m_programFolder(programFolder) {
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(ConnectTimeout);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        Lose(Message(modKeys::Messages::NoAnswer).arg(ConnectTimeout / 1000));
    });
    connect(&m_tcp, &QTcpSocket::connected, this, &clsNetworkPort::HandleConnected);
    connect(&m_tcp, &QTcpSocket::readyRead, this, &clsNetworkPort::HandleTcpData);
    connect(&m_tcp, &QTcpSocket::errorOccurred, this, &clsNetworkPort::HandleSocketError);
    connect(&m_udp, &QUdpSocket::readyRead, this, &clsNetworkPort::HandleDatagrams);
}

void clsNetworkPort::Open(int portNumber, const QString&) {
    const QString portName = QStringLiteral("COM%1").arg(portNumber);
    const QString text = clsSerialPort::DeviceForPort(m_programFolder, portNumber);
    const std::optional<clsPortAddress> address = clsPortAddress::Parse(text);
    if (!address || address->AddressKind() == clsPortAddress::Kind::Device) {
        throw clsStationError(Message(modKeys::Messages::AddressInvalid).arg(portName, text));
    }
    OpenAddress(portName, *address);
}

void clsNetworkPort::OpenAddress(const QString& portName, const clsPortAddress& address) {
    if (m_open) {
        throw clsStationError(QStringLiteral("Port already open"));
    }
    m_address = address;
    m_pending.clear();
    m_gpsdLine.clear();
    m_gpsdRelease.clear();
    m_lossReported = false;
    if (address.AddressKind() == clsPortAddress::Kind::Udp) {
        const QHostAddress local =
            address.Host().isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(address.Host());
        if (!m_udp.bind(local, address.Port(), QUdpSocket::ShareAddress)) {
            const QString reason = m_udp.errorString();
            m_udp.close();
            throw clsStationError(
                Message(modKeys::Messages::PortNotOpened).arg(portName, address.Text(), reason));
        }
    } else {
        m_tcp.connectToHost(address.Host(), address.Port());
        m_connectTimer.start();
    }
    m_open = true;
}

void clsNetworkPort::Close() {
    m_open = false;
    m_connectTimer.stop();
    m_tcp.abort();
    m_udp.close();
    m_pending.clear();
    m_gpsdLine.clear();
}

QString clsNetworkPort::ReadAll() {
    return QString::fromLatin1(std::exchange(m_pending, {}));
}

void clsNetworkPort::HandleConnected() {
    m_connectTimer.stop();
    if (m_address.AddressKind() == clsPortAddress::Kind::Gpsd) {
        m_tcp.write(clsGpsdReply::WatchCommand(m_address.Device()));
    }
}

void clsNetworkPort::HandleTcpData() {
    const QByteArray data = m_tcp.readAll();
    if (!m_open || data.isEmpty()) {
        return;
    }
    if (m_address.AddressKind() == clsPortAddress::Kind::Gpsd) {
        TakeGpsdLines(data);
    } else {
        m_pending += data;
    }
    if (!m_pending.isEmpty() && m_open) {
        emit DataArrived();
    }
}

void clsNetworkPort::HandleDatagrams() {
    bool arrived = false;
    while (m_udp.hasPendingDatagrams()) {
        QByteArray data = m_udp.receiveDatagram().data();
        if (!m_open || data.isEmpty()) {
            continue;
        }
        if (!data.endsWith('\n') && !data.endsWith('\r')) {
            data += "\r\n";
        }
        m_pending += data;
        arrived = true;
    }
    if (arrived) {
        emit DataArrived();
    }
}

// gpsd relays each sentence as one line and answers commands with JSON lines; the first
// line of a gpsd connection is its VERSION reply.
void clsNetworkPort::TakeGpsdLines(const QByteArray& data) {
    m_gpsdLine += data;
    qsizetype start = 0;
    for (qsizetype end; m_open && (end = m_gpsdLine.indexOf('\n', start)) >= 0; start = end + 1) {
        const QByteArray line = m_gpsdLine.sliced(start, end + 1 - start);
        if (clsGpsdReply::IsReply(line)) {
            if (!TakeGpsdReply(line)) {
                return;
            }
        } else if (m_gpsdRelease.isEmpty()) {
            Lose(Message(modKeys::Messages::NotGpsd));
            return;
        } else {
            m_pending += line;
        }
    }
    m_gpsdLine.remove(0, start);
    // Also after gpsd has answered: a peer that goes on without a line end would otherwise
    // fill the memory. The link is lost, and a receiver set to reconnect starts afresh.
    if (m_gpsdLine.size() > MaxGpsdLine) {
        Lose(m_gpsdRelease.isEmpty()
                 ? Message(modKeys::Messages::NotGpsd)
                 : Message(modKeys::Messages::GpsdLineTooLong).arg(MaxGpsdLine / 1024));
    }
}

// False when the reply ended the connection.
bool clsNetworkPort::TakeGpsdReply(const QByteArray& line) {
    const std::optional<clsGpsdReply> reply = clsGpsdReply::Parse(line);
    if (reply && reply->IsVersion()) {
        m_gpsdRelease = reply->Release().isEmpty() ? QStringLiteral("?") : reply->Release();
        return true;
    }
    if (m_gpsdRelease.isEmpty()) {
        Lose(Message(modKeys::Messages::NotGpsd));
        return false;
    }
    if (reply && reply->IsError()) {
        Lose(Message(modKeys::Messages::GpsdError).arg(reply->Message()));
        return false;
    }
    return true;
}

void clsNetworkPort::HandleSocketError(QAbstractSocket::SocketError error) {
    if (!m_open) {
        return;
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        Lose(Message(modKeys::Messages::ConnectionRefused));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        HandleTcpData(); // what came before the close is handed on first
        Lose(Message(modKeys::Messages::ConnectionClosed));
        break;
    default:
        Lose(Message(modKeys::Messages::NetworkError).arg(m_tcp.errorString()));
        break;
    }
}

// Everything received before is announced first; the source is closed after the handlers.
void clsNetworkPort::Lose(const QString& description) {
    if (!m_open || m_lossReported) {
        return;
    }
    m_lossReported = true;
    m_connectTimer.stop();
    if (!m_pending.isEmpty()) {
        emit DataArrived();
    }
    emit DeviceLost(description);
    Close();
}

QString clsNetworkPort::Message(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}
