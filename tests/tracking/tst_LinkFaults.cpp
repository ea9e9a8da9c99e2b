// Links that drop while the retries are on: a TCP or gpsd peer that drops every connection
// after a few sentences, and the real gpsd stopped and started again.

#include "shell/TestFiles.h"
#include "tracking/FlappingPeer.h"
#include "tracking/TestGpsd.h"
#include "tracking/clsSerialReceiver.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Line = QStringLiteral("4800,n,8,1");

// The RMC lines of a capture, in order.
QStringList RmcLines(const QString& capture) {
    QStringList lines;
    for (const QByteArray& line : ReadFile(capture).split('\n')) {
        if (line.startsWith("$GPRMC")) {
            lines.append(QString::fromLatin1(line.trimmed()));
        }
    }
    return lines;
}

} // namespace

class tst_LinkFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<clsSerialReceiver> m_receiver;
    QStringList m_sentences;
    QStringList m_lost;
    int m_reconnected = 0;

    bool mapPort(const QString& address) {
        return WriteFile(m_folder->filePath("vendrel.ini"),
                         "[Ports]\nCOM1=" + address.toUtf8() + "\n");
    }

    // Opens the port and lets the link flap until the peer has had connections in all;
    // closes it while it waits to try again, when everything the peer sent has arrived.
    // handles: the process's open handles once the peer's side is gone too.
    void flapUntil(const FlappingPeer& peer, int connections, int& handles) {
        m_receiver->Open(0, 0, Line);
        const QMetaObject::Connection stop =
            connect(m_receiver.get(), &clsSerialReceiver::Retrying, this, [&] {
                if (peer.Connections() >= connections) {
                    m_receiver->Close();
                }
            });
        QTRY_VERIFY_WITH_TIMEOUT(!m_receiver->IsOpen(), 60000);
        disconnect(stop);
        QTRY_COMPARE(peer.Live(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        handles = OpenHandles();
    }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_receiver = std::make_unique<clsSerialReceiver>(m_folder->path());
        m_receiver->SetAutoReconnect(true);
        m_sentences.clear();
        m_lost.clear();
        m_reconnected = 0;
        connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this,
                [this](const QString& sentence) { m_sentences.append(sentence); });
        connect(m_receiver.get(), &clsSerialReceiver::PortLost, this,
                [this](const QString& message) { m_lost.append(message); });
        connect(m_receiver.get(), &clsSerialReceiver::Reconnected, this,
                [this] { ++m_reconnected; });
    }

    // Each drop cuts a sentence; what comes after the gap never continues it. Nothing the
    // peer sent whole is lost or handed on twice, no drop reaches the operator, and six
    // drops leave the process holding what it held after two.
    void flappingLink_data() {
        QTest::addColumn<bool>("asGpsd");
        QTest::newRow("TCP") << false;
        QTest::newRow("gpsd") << true;
    }

    void flappingLink() {
        QFETCH(bool, asGpsd);
        FlappingPeer peer(asGpsd, 5);
        QVERIFY(peer.Listen());
        QVERIFY(mapPort(peer.Address()));
        int afterTwo = 0;
        int afterSix = 0;
        flapUntil(peer, 2, afterTwo);
        flapUntil(peer, 6, afterSix);
        QCOMPARE(peer.Connections(), 6);
        QCOMPARE(m_reconnected, 4);
        QCOMPARE(m_sentences, peer.Sent());
        QCOMPARE(m_lost, QStringList());
        QCOMPARE(afterSix, afterTwo);
    }

    // The real gpsd ends and starts again on its port: the receiver takes up the relayed
    // sentences again, in the capture's order, none of them twice, the loss never told.
    void restartedGpsdIsTriedAgain() {
        const QString capture = STATION_SOURCE_DIR "/data/demo/demo-drive.nmea";
        const QString link = m_folder->filePath("gps");
        TestSimulator simulator;
        QVERIFY(simulator.Start(capture, link, 20));
        auto gpsd = std::make_unique<TestGpsd>();
        QVERIFY(gpsd->Start(link));
        const quint16 port = gpsd->Port();
        QVERIFY(mapPort(QStringLiteral("gpsd://127.0.0.1:%1").arg(port)));
        m_receiver->Open(0, 0, Line);
        QTRY_VERIFY_WITH_TIMEOUT(m_sentences.size() >= 5, 10000);
        gpsd.reset();
        QTRY_VERIFY(m_receiver->IsRetrying());
        const qsizetype before = m_sentences.size();
        gpsd = std::make_unique<TestGpsd>();
        QVERIFY(gpsd->Start(link, port));
        // The next try may come up to the longest delay later.
        QTRY_VERIFY_WITH_TIMEOUT(m_sentences.size() >= before + 5,
                                 (clsSerialReceiver::MaxRetryDelay + 10) * 1000);
        m_receiver->Close();
        const QStringList all = RmcLines(capture);
        qsizetype last = -1;
        for (const QString& sentence : m_sentences) {
            const qsizetype at = all.indexOf(sentence, last + 1);
            QVERIFY2(at > last, qPrintable(sentence));
            last = at;
        }
        QCOMPARE(m_lost, QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_LinkFaults)
#include "tst_LinkFaults.moc"
