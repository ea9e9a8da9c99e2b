#pragma once

// A TCP peer whose link flaps, for the tests and the benchmarks: it accepts a connection,
// sends its next few sentences and a cut piece of one more, and drops the connection; the
// next connection goes on with the next sentence, so that no two sentences are alike. As
// gpsd it first answers with gpsd's VERSION line.

#include "tracking/TestSentences.h"

#include <QDir>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// Entries of /proc/self/fd: the files, sockets and pipes this process holds open.
inline int OpenHandles() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                .size());
}

class FlappingPeer : public QObject {
public:
    FlappingPeer(bool asGpsd, int sentencesPerConnection)
        : m_asGpsd(asGpsd), m_perConnection(sentencesPerConnection) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] { Serve(); });
    }
    bool Listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString Address() const {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_asGpsd ? "gpsd" : "tcp")
            .arg(m_server.serverPort());
    }
    // The whole sentences written, in order, without their line ends.
    const QStringList& Sent() const { return m_sent; }
    int Connections() const { return m_connections; }
    // Connections accepted and not yet gone.
    int Live() const { return m_live; }

    // The n-th sentence: its time of day counts the seconds, its position moves.
    static QString Sentence(int n) {
        return Checksummed(QStringLiteral("GPRMC,%1%2%3,A,25%4.%5,N,121%6.%7,E,12.5,90.0,010126,,")
                               .arg(n / 3600 % 24, 2, 10, QLatin1Char('0'))
                               .arg(n / 60 % 60, 2, 10, QLatin1Char('0'))
                               .arg(n % 60, 2, 10, QLatin1Char('0'))
                               .arg(n / 1000 % 60, 2, 10, QLatin1Char('0'))
                               .arg(n % 1000, 4, 10, QLatin1Char('0'))
                               .arg(n / 1000 % 60, 2, 10, QLatin1Char('0'))
                               .arg(n % 1000, 4, 10, QLatin1Char('0')));
    }

private:
    void Serve() {
        while (QTcpSocket* peer = m_server.nextPendingConnection()) {
            ++m_connections;
            ++m_live;
            connect(peer, &QTcpSocket::disconnected, this, [this, peer] {
                --m_live;
                peer->deleteLater();
            });
            QByteArray out;
            if (m_asGpsd) {
                out += R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3})"
                       "\n";
            }
            for (int i = 0; i < m_perConnection; ++i) {
                m_sent.append(Sentence(static_cast<int>(m_sent.size())));
                out += m_sent.constLast().toLatin1() + "\r\n";
            }
            // The link drops in the middle of a sentence.
            out += Sentence(static_cast<int>(m_sent.size())).left(20).toLatin1();
            peer->write(out);
            peer->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    bool m_asGpsd;
    int m_perConnection;
    QStringList m_sent;
    int m_connections = 0;
    int m_live = 0;
};
