// Reception through pseudo-terminals opened by the station's own serial port: bytes
// written by the test, and real receiver captures played by the receiver simulator.

#include "shell/TestFiles.h"
#include "shell/modPrivate.h"
#include "tracking/TestCaptures.h"
#include "tracking/TestGpsd.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsSerialPort.h"
#include "tracking/clsSerialReceiver.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QByteArray First = "$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*62";
const QByteArray Second = "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68";
constexpr int PortIndex = 2; // COM3
const QString Line = QStringLiteral("4800,n,8,1");
using Bytes = QByteArrayList;

} // namespace

class tst_SerialReceiver : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestPseudoTerminal> m_terminal;
    std::unique_ptr<clsSerialReceiver> m_receiver;
    Bytes m_sentences;

    // Port COM number opens device; extra lines follow in the settings file.
    bool mapPort(int number, const QString& device, const QByteArray& extra = {}) {
        return WriteFile(m_folder->filePath("vendrel.ini"),
                         "[Ports]\r\nCOM" + QByteArray::number(number) + '=' +
                             QFile::encodeName(device) + "\r\n" + extra);
    }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_terminal = std::make_unique<TestPseudoTerminal>();
        QVERIFY(mapPort(PortIndex + 1, m_terminal->SlavePath()));
        m_receiver = std::make_unique<clsSerialReceiver>(m_folder->path());
        m_sentences.clear();
        connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this,
                [this](const QString& sentence) { m_sentences.append(sentence.toLatin1()); });
    }

    void framesWhatArrives_data() {
        QTest::addColumn<Bytes>("writes");
        QTest::addColumn<Bytes>("expected");
        // Sentences split over writes and several in one write are those of the window's
        // live test and of the replayed captures.
        QTest::newRow("CR LF alone") << Bytes{"\r\n", First + "\r\n"} << Bytes{First};
        QTest::newRow("other types, lower case, no star")
            << Bytes{"$GPGGA,1*47\r\n$gprmc,2*68\r\n$GPRMC,3\r\n" + Second + "\r\n"}
            << Bytes{Second};
        QTest::newRow("LF-only lines run together up to a CR")
            << Bytes{First + "\n" + Second + "\n", "$GPVTG*07\r\n"}
            << Bytes{First + Second + "$GPVTG*07"};
        QTest::newRow("8-bit characters one for one")
            << Bytes{"$GPRMC,\xe9\xff\x80*00\r\n"} << Bytes{"$GPRMC,\xe9\xff\x80*00"};
    }

    // Every row ends with a sentence that must arrive, so nothing wrongly passed on can
    // come after it.
    void framesWhatArrives() {
        QFETCH(Bytes, writes);
        QFETCH(Bytes, expected);
        m_receiver->Open(PortIndex, 0, Line);
        for (const QByteArray& bytes : writes) {
            QVERIFY(m_terminal->Write(bytes));
            QTest::qWait(50);
        }
        QTRY_COMPARE(m_sentences, expected);
    }

    // A burst whose sentences each take longer to handle than a turn: the event loop runs
    // between them (a timer started at the first runs before the last is handed on), and
    // a link lost right after the burst still hands on all of it before the loss is told.
    void burstIsHandedOnInTurns_data() {
        QTest::addColumn<bool>("lost");
        QTest::newRow("link stays") << false;
        QTest::newRow("link lost after the burst") << true;
    }
    void burstIsHandedOnInTurns() {
        QFETCH(bool, lost);
        QStringList lossTold;
        connect(m_receiver.get(), &clsSerialReceiver::PortLost, this,
                [&](const QString& message) { lossTold.append(message); });
        qsizetype handedOnBeforeTimer = -1;
        connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this, [&] {
            if (m_sentences.size() == 1) {
                QTimer::singleShot(0, this, [&] { handedOnBeforeTimer = m_sentences.size(); });
            }
            QThread::msleep(clsSerialReceiver::HandOnTurn + 10);
        });
        const Bytes burst{First, Second, First, Second};
        m_receiver->Open(PortIndex, 0, Line);
        QVERIFY(m_terminal->Write(burst.join("\r\n") + "\r\n")); // one write, one read
        if (lost) {
            QTRY_COMPARE(handedOnBeforeTimer, 1);
            m_terminal->CloseMaster();
            QTRY_COMPARE(lossTold.size(), 1);
        }
        QTRY_COMPARE(m_sentences, burst);
        QVERIFY2(handedOnBeforeTimer >= 1 && handedOnBeforeTimer < burst.size(),
                 qPrintable(QString::number(handedOnBeforeTimer)));
    }

    // A device that never sends a carriage return keeps only the newest characters.
    void endlessLineKeepsOnlyTheNewestCharacters() {
        clsSentenceFramer framer;
        QStringList sentences; // every complete line
        const auto collect = [&](QStringView s) { sentences.append(s.toString()); };
        const QString noise(clsSentenceFramer::MaxBufferLength, QLatin1Char('x'));
        framer.Append(noise, collect);
        framer.Append(noise + QStringLiteral("$GPRMC,1*00"), collect);
        QCOMPARE(framer.ReceiveBuffer().size(), clsSentenceFramer::MaxBufferLength);
        QVERIFY(framer.ReceiveBuffer().endsWith(u"x$GPRMC,1*00"));
        const QString kept = framer.ReceiveBuffer();
        framer.Append(u"\r\n$GPRMC,2*00\r\n", collect);
        QCOMPARE(sentences, QStringList({kept, "$GPRMC,2*00"}));
    }

    void toggleStoresChoicesAndKeepsTheBuffer() {
        const QString folder = m_folder->path();
        const QString line = QStringLiteral("9600,n,8,1");
        m_receiver->Toggle(PortIndex, 1, line);
        QVERIFY(m_receiver->IsOpen());
        QCOMPARE(modPrivate::ReadSetting(folder, "Settings", "CommPort"), QStringLiteral("3"));
        QCOMPARE(modPrivate::ReadSetting(folder, "Settings", "Setting"), QStringLiteral("1"));
        QVERIFY(m_terminal->Write(First.first(30)));
        QTRY_COMPARE(m_receiver->ReceiveBuffer(), QString::fromLatin1(First.first(30)));
        m_receiver->Toggle(PortIndex, 1, line);
        QVERIFY(!m_receiver->IsOpen());
        m_receiver->Toggle(PortIndex, 1, line);
        QVERIFY(m_terminal->Write(First.sliced(30) + "\r\n"));
        QTRY_COMPARE(m_sentences, Bytes{First});
        QCOMPARE(clsSerialPort::DeviceForPort(folder, 15), "/dev/ttyS14"); // not mapped
        // Every entry of the list of line settings; a malformed one is refused below.
        for (const int baud : {4800, 9600, 19200, 38400, 57600, 115200}) {
            const auto parsed = clsSerialPort::ParseSettings(QString("%1,n,8,1").arg(baud));
            QVERIFY(parsed);
            QCOMPARE(
                QList<int>({parsed->BaudRate, parsed->Parity, parsed->DataBits, parsed->StopBits}),
                QList<int>({baud, QSerialPort::NoParity, 8, 1}));
        }
    }

    void failedOpenChangesNothing_data() {
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("port 0") << -1 << Line << "Choose a port in the list first";
        QTest::newRow("missing device")
            << 4 << Line << "COM5 is assigned to /nonexistent/ttyGPS, but there is no such device";
        QTest::newRow("in use") << PortIndex << Line << ") is in use by another program";
        QTest::newRow("not a serial device") << 5 << Line << "COM6 (";
        QTest::newRow("bad line settings") << PortIndex << "4800,x,8,1"
                                           << "The line setting \"4800,x,8,1\" is not valid";
    }

    // What the operator reads names the entry, its device and what to do; nothing changed.
    void failedOpenChangesNothing() {
        QFETCH(int, portIndex);
        QFETCH(QString, line);
        QFETCH(QString, message);
        const QString notSerial = m_folder->filePath("plain-file");
        QVERIFY(WriteFile(notSerial, "not a device"));
        QVERIFY(mapPort(PortIndex + 1, m_terminal->SlavePath(),
                        "COM5=/nonexistent/ttyGPS\r\nCOM6=" + QFile::encodeName(notSerial) +
                            "\r\n[Settings]\r\nCommPort=7\r\nSetting=0\r\n"));
        clsSerialReceiver holder(m_folder->path());
        if (QString(QTest::currentDataTag()) == "in use") {
            holder.Open(PortIndex, 0, Line);
        }
        const QByteArray before = ReadFile(m_folder->filePath("vendrel.ini"));
        const QString error = ErrorOf([&] { m_receiver->Toggle(portIndex, 1, line); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!m_receiver->IsOpen());
        QCOMPARE(ReadFile(m_folder->filePath("vendrel.ini")), before);
    }

    // Mixed line ends, binary noise, carriage returns inside lines, other talkers, split
    // lines, UTF-8 text, minutes with fewer than four decimals, lower-case checksums.
    void replayedCapturesArriveWhole_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"GPSmap-76S.log", "ac12_binary.log", "quectelLC79D.log", "gpsdf.log",
              "nmea-fuzzy-cases.log", "tcp-torture.log", "foretrex-201.log", "nd-1005.log",
              "ait250.log", "magellan-ec10.log"}) {
            QTest::newRow(name) << QString(name);
        }
    }

    // What must arrive is found without the station's framing; its decoding is checked
    // against the expected values by the track recorder's test.
    void replayedCapturesArriveWhole() {
        QFETCH(QString, name);
        const QString capture = CapturePath(name);
        Bytes wanted;
        for (const QByteArray& line : CaptureLines(name)) {
            wanted.append(PositionSentences(line));
        }
        QVERIFY2(!wanted.isEmpty(), qPrintable(capture + " holds no sentence: run scripts/setup"));
        const QString link = m_folder->filePath("gps");
        QProcess simulator;
        simulator.start(STATION_BUILD_DIR "/station/gps-simulator",
                        {capture, "--speed", "500", "--link", link});
        QVERIFY(simulator.waitForReadyRead(5000));
        QVERIFY(mapPort(1, link));
        m_receiver->Open(0, 0, Line);
        QTRY_COMPARE_WITH_TIMEOUT(m_sentences, wanted, 20000);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void retryDelays_data() {
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("next");
        for (const auto& [previous, next] :
             QList<QPair<int, int>>{{0, 1}, {1, 2}, {2, 4}, {8, 16}, {16, 30}, {30, 30}}) {
            QTest::addRow("%d s", previous) << previous << next;
        }
    }

    void retryDelays() {
        QFETCH(int, previous);
        QFETCH(int, next);
        QCOMPARE(clsSerialReceiver::NextRetryDelay(previous), next);
    }

    // A receiver replugged: the simulator and its link go and come back. The loss is not
    // reported, the port is opened again without storing anything, and each connection
    // hands on the capture's sentences from its start in order: nothing lost, nothing twice.
    void lostReceiverIsTriedAgain() {
        const QString capture = STATION_SOURCE_DIR "/data/demo/demo-drive.nmea";
        Bytes all;
        for (const QByteArray& line : ReadFile(capture).split('\n')) {
            if (line.startsWith("$GPRMC")) {
                all.append(line.trimmed());
            }
        }
        const QString link = m_folder->filePath("gps");
        QVERIFY(mapPort(1, link, "[Settings]\r\nCommPort=1\r\nSetting=0\r\n"));
        QList<int> delays;
        QStringList lost;
        int reconnected = 0;
        connect(m_receiver.get(), &clsSerialReceiver::Retrying, this,
                [&](int seconds) { delays.append(seconds); });
        connect(m_receiver.get(), &clsSerialReceiver::Reconnected, this, [&] { ++reconnected; });
        connect(m_receiver.get(), &clsSerialReceiver::PortLost, this,
                [&](const QString& message) { lost.append(message); });
        m_receiver->SetAutoReconnect(true);
        auto first = std::make_unique<TestSimulator>();
        QVERIFY(first->Start(capture, link, 20));
        m_receiver->Open(0, 1, Line);
        const QByteArray stored = ReadFile(m_folder->filePath("vendrel.ini"));
        QTRY_VERIFY_WITH_TIMEOUT(m_sentences.size() >= 5, 5000);
        first.reset(); // unplugged
        QTRY_COMPARE(delays, QList<int>{1});
        const qsizetype before = m_sentences.size();
        QVERIFY(m_receiver->IsOpen() && m_receiver->IsRetrying());
        QTRY_COMPARE_WITH_TIMEOUT(delays, QList<int>({1, 2}), 3000); // the link is still gone
        TestSimulator second;
        QVERIFY(second.Start(capture, link, 20));
        QTRY_COMPARE_WITH_TIMEOUT(reconnected, 1, 4000);
        QTRY_VERIFY_WITH_TIMEOUT(m_sentences.size() >= before + 5, 5000);
        m_receiver->Close();
        QCOMPARE(m_sentences.mid(0, before), all.mid(0, before));
        QCOMPARE(m_sentences.mid(before), all.mid(0, m_sentences.size() - before));
        QCOMPARE(lost, QStringList());
        QCOMPARE(ReadFile(m_folder->filePath("vendrel.ini")), stored);
    }

    // A TCP source that restarts, and a stop pressed while the retries run.
    void restartedServerIsTriedAgain() {
        const quint16 port = FreeTcpPort();
        QVERIFY(mapPort(1, QStringLiteral("tcp://127.0.0.1:%1").arg(port)));
        QList<int> delays;
        connect(m_receiver.get(), &clsSerialReceiver::Retrying, this,
                [&](int seconds) { delays.append(seconds); });
        m_receiver->SetAutoReconnect(true);
        const auto serve = [port](QTcpServer& server, const QByteArray& sentence) {
            if (!server.listen(QHostAddress::LocalHost, port)) {
                return false;
            }
            QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, sentence] {
                QTcpSocket* peer = server.nextPendingConnection();
                peer->write(sentence + "\r\n");
                peer->disconnectFromHost();
            });
            return true;
        };
        auto server = std::make_unique<QTcpServer>();
        QVERIFY(serve(*server, First));
        m_receiver->Open(0, 0, Line);
        QTRY_COMPARE(m_sentences, Bytes{First});
        QTRY_COMPARE(delays, QList<int>{1}); // the server closed the connection
        server.reset();
        QTRY_COMPARE_WITH_TIMEOUT(delays, QList<int>({1, 2}), 3000); // refused
        server = std::make_unique<QTcpServer>();
        QVERIFY(serve(*server, Second));
        QTRY_COMPARE_WITH_TIMEOUT(m_sentences, Bytes({First, Second}), 4000);
        QTRY_COMPARE(delays, QList<int>({1, 2, 1})); // data came: the delays start again
        m_receiver->Close();
        QVERIFY(!m_receiver->IsOpen());
        QTest::qWait(1500);
        QCOMPARE(delays, QList<int>({1, 2, 1}));
        QCOMPARE(m_sentences, Bytes({First, Second}));
    }
};

QTEST_GUILESS_MAIN(tst_SerialReceiver)
#include "tst_SerialReceiver.moc"
