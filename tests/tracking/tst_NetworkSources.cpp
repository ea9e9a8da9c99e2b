// Network sources behind the port interface: addresses, gpsd's replies, and reception
// from a TCP server and a UDP sender of the test's own and from the real gpsd.

#include "shell/TestFiles.h"
#include "tracking/TestGpsd.h"
#include "tracking/TestSentences.h"
#include "tracking/clsGpsdReply.h"
#include "tracking/clsNetworkPort.h"
#include "tracking/clsPortAddress.h"
#include "tracking/clsSerialReceiver.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

namespace {

using Kind = clsPortAddress::Kind;
const QString Line = QStringLiteral("4800,n,8,1");

QString Rmc(const char* talker, int second) {
    return Checksummed(QStringLiteral("%1RMC,1200%2,A,2502.1234,N,12134.5678,E,0.5,12.0,010126,,")
                           .arg(talker)
                           .arg(second, 2, 10, QLatin1Char('0')));
}

// The RMC lines of a capture, in order.
QStringList RmcLines(const QString& capture) {
    QStringList lines;
    for (QByteArray line : ReadFile(capture).split('\n')) {
        line = line.trimmed();
        if (line.startsWith("$GPRMC") && line.contains('*')) {
            lines.append(QString::fromLatin1(line));
        }
    }
    return lines;
}

} // namespace

class tst_NetworkSources : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<clsSerialReceiver> m_receiver;
    QStringList m_sentences;
    QStringList m_lost;

    // COM1 names address; the receiver opens it.
    void openAddress(const QString& address) {
        QVERIFY(WriteFile(m_folder->filePath("vendrel.ini"),
                          "[Ports]\nCOM1=" + address.toUtf8() + "\n"));
        m_receiver->Open(0, 0, Line);
        QVERIFY(m_receiver->IsOpen());
    }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_receiver = std::make_unique<clsSerialReceiver>(m_folder->path());
        m_sentences.clear();
        m_lost.clear();
        connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this,
                [this](const QString& sentence) { m_sentences.append(sentence); });
        connect(m_receiver.get(), &clsSerialReceiver::PortLost, this,
                [this](const QString& message) { m_lost.append(message); });
    }

    void addresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        const auto row = [](const char* text, bool valid, Kind kind, const char* host, int port,
                            const char* device) {
            QTest::newRow(text) << text << valid << int(kind) << host << port << device;
        };
        row("/dev/ttyUSB0", true, Kind::Device, "", 0, "/dev/ttyUSB0");
        row("tcp://192.168.1.5:10110", true, Kind::Tcp, "192.168.1.5", 10110, "");
        row("TCP://phone.local:10110", true, Kind::Tcp, "phone.local", 10110, "");
        row("tcp://[::1]:10110", true, Kind::Tcp, "::1", 10110, "");
        row("udp://:10110", true, Kind::Udp, "", 10110, "");
        row("udp://127.0.0.1:2000", true, Kind::Udp, "127.0.0.1", 2000, "");
        row("gpsd://localhost", true, Kind::Gpsd, "localhost", 2947, "");
        row("gpsd://localhost:3000", true, Kind::Gpsd, "localhost", 3000, "");
        row("gpsd://pi/dev/ttyACM0", true, Kind::Gpsd, "pi", 2947, "/dev/ttyACM0");
        row("gpsd://[::1]:3000/dev/ttyUSB1", true, Kind::Gpsd, "::1", 3000, "/dev/ttyUSB1");
        row("tcp://host", false, Kind::Tcp, "", 0, "");
        row("tcp://:10110", false, Kind::Tcp, "", 0, "");
        row("tcp://host:0", false, Kind::Tcp, "", 0, "");
        row("tcp://host:65536", false, Kind::Tcp, "", 0, "");
        row("udp://:port", false, Kind::Udp, "", 0, "");
        row("gpsd://", false, Kind::Gpsd, "", 0, "");
        row("http://host:80", false, Kind::Tcp, "", 0, "");
    }

    void addresses() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, kind);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, device);
        const std::optional<clsPortAddress> address = clsPortAddress::Parse(text);
        QCOMPARE(address.has_value(), valid);
        QCOMPARE(clsPortAddress::IsNetwork(text), kind != int(Kind::Device));
        if (valid) {
            QCOMPARE(QList<QVariant>({int(address->AddressKind()), address->Host(),
                                      address->Port(), address->Device(), address->Text()}),
                     QList<QVariant>({kind, host, port, device, text}));
        }
    }

    void gpsdReplies_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("seen"); // class|release|message|devices, or "-"
        QTest::newRow("version")
            << QByteArray(R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3})"
                          "\r\n")
            << "VERSION|3.22||";
        QTest::newRow("devices")
            << QByteArray(R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/dev/a"},)"
                          R"({"class":"DEVICE","path":"/dev/b"}]})")
            << "DEVICES|||/dev/a,/dev/b";
        QTest::newRow("error") << QByteArray(R"({"class":"ERROR","message":"No such device"})")
                               << "ERROR||No such device|";
        QTest::newRow("no class") << QByteArray(R"({"release":"3.22"})") << "-";
        QTest::newRow("cut short") << QByteArray(R"({"class":"VERSI)") << "-";
        QTest::newRow("a sentence") << Rmc("GP", 1).toLatin1() << "-";
    }

    void gpsdReplies() {
        QFETCH(QByteArray, line);
        QFETCH(QString, seen);
        const std::optional<clsGpsdReply> reply = clsGpsdReply::Parse(line);
        const QString text = reply ? QStringList({reply->Class(), reply->Release(),
                                                  reply->Message(), reply->Devices().join(',')})
                                         .join('|')
                                   : "-";
        QCOMPARE(text, seen);
        QCOMPARE(clsGpsdReply::WatchCommand("/dev/a"),
                 R"(?WATCH={"device":"/dev/a","enable":true,"nmea":true})" "\n");
        QCOMPARE(clsGpsdReply::WatchCommand(""), R"(?WATCH={"enable":true,"nmea":true})" "\n");
    }

    // Pieces of sentences as a stream cuts them arrive whole; when the server goes the loss
    // is told once, naming the address, after what it sent.
    void tcpStream() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
        openAddress(address);
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket* peer = server.nextPendingConnection();
        const QByteArray stream = (Rmc("GP", 1) + "\r\n$GPGGA,1*47\r\n" + Rmc("GP", 2) + "\r\n" +
                                   Rmc("GP", 3) + "\r\n")
                                      .toLatin1();
        peer->write(stream.first(10));
        peer->flush();
        QTest::qWait(50);
        peer->write(stream.sliced(10));
        peer->flush();
        peer->disconnectFromHost();
        QTRY_COMPARE(m_lost.size(), 1);
        QCOMPARE(m_sentences, QStringList({Rmc("GP", 1), Rmc("GP", 2), Rmc("GP", 3)}));
        QVERIFY2(m_lost[0].contains("COM1 (" + address + ")") &&
                     m_lost[0].contains("closed the connection"),
                 qPrintable(m_lost[0]));
        QVERIFY(!m_receiver->IsOpen());
    }

    void refusedAndMalformed_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("told"); // lost: part of the message; else thrown
        QTest::addColumn<bool>("thrown");
        const QString free = QString::number(FreeTcpPort());
        QTest::newRow("refused") << "tcp://127.0.0.1:" + free << "connection refused" << false;
        QTest::newRow("gpsd refused") << "gpsd://127.0.0.1:" + free << "connection refused"
                                      << false;
        QTest::newRow("malformed") << "tcp://127.0.0.1" << "not an address the station can use"
                                   << true;
    }

    void refusedAndMalformed() {
        QFETCH(QString, address);
        QFETCH(QString, told);
        QFETCH(bool, thrown);
        QVERIFY(WriteFile(m_folder->filePath("vendrel.ini"),
                          "[Ports]\nCOM1=" + address.toUtf8() + "\n"));
        const QString error = ErrorOf([&] { m_receiver->Open(0, 0, Line); });
        if (thrown) {
            QVERIFY2(error.contains(told) && error.contains(address), qPrintable(error));
            QVERIFY(!m_receiver->IsOpen());
            return;
        }
        QVERIFY(error.isEmpty());
        QTRY_COMPARE(m_lost.size(), 1);
        QVERIFY2(m_lost[0].contains(address) && m_lost[0].contains(told), qPrintable(m_lost[0]));
        QVERIFY(!m_receiver->IsOpen());
        QTest::qWait(200);
        QCOMPARE(m_lost.size(), 1);
    }

    // Datagrams with and without their line end, two sentences in one.
    void udpDatagrams() {
        QUdpSocket probe;
        QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
        const quint16 port = probe.localPort();
        probe.close();
        openAddress(QStringLiteral("udp://127.0.0.1:%1").arg(port));
        QUdpSocket sender;
        const QList<QByteArray> datagrams = {(Rmc("GP", 1) + "\r\n").toLatin1(),
                                             Rmc("GP", 2).toLatin1(),
                                             (Rmc("GP", 3) + "\r\n" + Rmc("GP", 4) + "\r\n").toLatin1()};
        for (const QByteArray& datagram : datagrams) {
            QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
            QTest::qWait(20);
        }
        QTRY_COMPARE(m_sentences,
                     QStringList({Rmc("GP", 1), Rmc("GP", 2), Rmc("GP", 3), Rmc("GP", 4)}));
    }

    // A port that another program holds for itself cannot be received on: told at once.
    void udpPortTaken() {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::LocalHost, 0, QUdpSocket::DontShareAddress));
        const QString address = QStringLiteral("udp://127.0.0.1:%1").arg(holder.localPort());
        QVERIFY(WriteFile(m_folder->filePath("vendrel.ini"),
                          "[Ports]\nCOM1=" + address.toUtf8() + "\n"));
        const QString error = ErrorOf([&] { m_receiver->Open(0, 0, Line); });
        QVERIFY2(error.startsWith("COM1 (" + address + ") cannot be opened"), qPrintable(error));
        QVERIFY(!m_receiver->IsOpen());
    }

    // A server that is not gpsd, and gpsd's own error, end the connection with a message.
    void notGpsd() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&server] {
            server.nextPendingConnection()->write(QByteArray(Rmc("GP", 1).toLatin1() + "\r\n"));
        });
        openAddress(QStringLiteral("gpsd://127.0.0.1:%1").arg(server.serverPort()));
        QTRY_COMPARE(m_lost.size(), 1);
        QVERIFY2(m_lost[0].contains("does not answer as gpsd"), qPrintable(m_lost[0]));
        QCOMPARE(m_sentences, QStringList());
    }

    // A peer that sends ten megabytes without a line end, or JSON that is no reply: gpsd's
    // buffer is capped and the link lost with what happened (a receiver set to reconnect
    // then starts afresh); raw TCP is framed as a serial line, its buffer capped the same way,
    // and the link kept. The sentences around the junk arrive.
    void hostilePeers_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("sentences");
        QTest::addColumn<QString>("lost"); // part of the loss's message; empty: still open
        const QByteArray version = R"({"class":"VERSION","release":"3.22"})" "\n";
        const QByteArray rmc1 = Rmc("GP", 1).toLatin1() + "\r\n";
        const QByteArray rmc2 = Rmc("GP", 2).toLatin1() + "\r\n";
        const QByteArray flood(10 * 1024 * 1024, 'x');
        QTest::newRow("gpsd: megabytes without a line end after its answer")
            << "gpsd" << version + rmc1 + flood << QStringList{Rmc("GP", 1)}
            << "more than 64 KB without a line end";
        QTest::newRow("gpsd: megabytes without a line end instead of its answer")
            << "gpsd" << flood << QStringList{} << "does not answer as gpsd";
        QTest::newRow("gpsd: malformed JSON among the sentences")
            << "gpsd"
            << version + "{\"class\":\"TPV\",\n" + rmc1 + "{not json}\n{}\n{\"class\":7}\n" +
                   "{\"class\":\"ERROR\"\n" + rmc2
            << QStringList{Rmc("GP", 1), Rmc("GP", 2)} << "";
        QTest::newRow("tcp: megabytes without a line end")
            << "tcp" << rmc1 + flood + "\r\n" + rmc2 << QStringList{Rmc("GP", 1), Rmc("GP", 2)}
            << "";
    }
    void hostilePeers() {
        QFETCH(QString, scheme);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, sentences);
        QFETCH(QString, lost);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        openAddress(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.serverPort()));
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket* peer = server.nextPendingConnection();
        peer->write(sent);
        const auto rmc = [this] { return m_sentences.filter(QRegularExpression("^\\$GPRMC")); };
        if (lost.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(rmc(), sentences, 60000);
            QVERIFY(m_receiver->IsOpen() && m_lost.isEmpty());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_lost.size(), 1, 60000);
        QVERIFY2(m_lost[0].contains(lost), qPrintable(m_lost[0]));
        QCOMPARE(rmc(), sentences);
        QVERIFY(!m_receiver->IsOpen());
    }

    // Set to reconnect, the station starts afresh after a flood: the sentences of both
    // connections arrive, nothing of the flood, and the loss is no message but a retry.
    void floodedGpsdIsReconnected() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            const QByteArray sentence = Rmc("GP", ++connections).toLatin1() + "\r\n";
            server.nextPendingConnection()->write(
                R"({"class":"VERSION","release":"3.22"})" "\n" + sentence +
                (connections == 1 ? QByteArray(1024 * 1024, 'x') : QByteArray()));
        });
        QSignalSpy retries(m_receiver.get(), &clsSerialReceiver::Retrying);
        m_receiver->SetAutoReconnect(true);
        openAddress(QStringLiteral("gpsd://127.0.0.1:%1").arg(server.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(m_sentences, QStringList({Rmc("GP", 1), Rmc("GP", 2)}), 20000);
        QCOMPARE(retries.size(), 1);
        QVERIFY(m_lost.isEmpty() && m_receiver->IsOpen());
    }

    // The real gpsd on a simulated receiver: the sentences it relays are the capture's, in
    // order, without gpsd's replies; a device it does not have is gpsd's error.
    void realGpsd_data() {
        QTest::addColumn<QString>("device"); // "link": the simulator's link
        QTest::newRow("every device") << "";
        QTest::newRow("the device named") << "link";
        QTest::newRow("a device gpsd does not have") << "/dev/station-no-such-gps";
    }

    void realGpsd() {
        QFETCH(QString, device);
        const QString capture = STATION_SOURCE_DIR "/data/demo/demo-drive.nmea";
        const QString link = m_folder->filePath("gps");
        TestSimulator simulator;
        QVERIFY(simulator.Start(capture, link, 20));
        TestGpsd gpsd;
        QVERIFY(gpsd.Start(link));
        const QString named = device == "link" ? link : device;
        openAddress(QStringLiteral("gpsd://127.0.0.1:%1%2").arg(gpsd.Port()).arg(named));
        if (device.startsWith("/dev/")) {
            QTRY_COMPARE_WITH_TIMEOUT(m_lost.size(), 1, 5000);
            QVERIFY2(m_lost[0].contains("gpsd answers: No such device as " + device),
                     qPrintable(m_lost[0]));
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_sentences.size() >= 5, 10000);
        const QStringList all = RmcLines(capture);
        const qsizetype first = all.indexOf(m_sentences.first());
        QVERIFY2(first >= 0, qPrintable(m_sentences.first()));
        QCOMPARE(m_sentences, all.mid(first, m_sentences.size()));
        QVERIFY(m_lost.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_NetworkSources)
#include "tst_NetworkSources.moc"
