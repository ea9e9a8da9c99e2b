// Reception through a real serial device: a pseudo-terminal opened with QSerialPort
// through the port mapping of the settings file.

#include "TestPseudoTerminal.h"
#include "shell/modPrivate.h"
#include "tracking/clsSerialReceiver.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

const QByteArray First = "$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*62";
const QByteArray Second = "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68";
constexpr int PortIndex = 2; // COM3
const QString LineSettings = QStringLiteral("4800,n,8,1");

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_SerialReceiver : public QObject {
    Q_OBJECT

private slots:
    void init();
    void framesWhatArrives_data();
    void framesWhatArrives();
    void bufferSurvivesCloseAndReopen();
    void toggleStoresChoicesAfterOpening();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void lostDeviceIsReportedOnceAndClosesThePort();

private:
    void OpenReceiver();

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestPseudoTerminal> m_terminal;
    std::unique_ptr<clsSerialReceiver> m_receiver;
    QStringList m_sentences;
};

void tst_SerialReceiver::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    m_terminal = std::make_unique<TestPseudoTerminal>();
    QVERIFY(!m_terminal->SlavePath().isEmpty());
    QVERIFY(WritePortSettings(m_folder->path(), PortIndex + 1, m_terminal->SlavePath()));
    m_receiver = std::make_unique<clsSerialReceiver>(m_folder->path());
    m_sentences.clear();
    connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this,
            [this](const QString& sentence) { m_sentences.append(sentence); });
}

void tst_SerialReceiver::OpenReceiver() {
    QCOMPARE(m_receiver->Open(PortIndex, 0, LineSettings), QString());
    QVERIFY(m_receiver->IsOpen());
}

void tst_SerialReceiver::framesWhatArrives_data() {
    QTest::addColumn<QByteArrayList>("arrivals");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("leftOver");

    QTest::newRow("sentence split over two arrivals comes once")
        << QByteArrayList{First.first(4), First.sliced(4) + "\r\n"}
        << QStringList{QString::fromLatin1(First)} << QString();
    QTest::newRow("carriage return and line feed alone")
        << QByteArrayList{"\r\n"} << QStringList() << QString();
    QTest::newRow("two sentences in one arrival, in order")
        << QByteArrayList{First + "\r\n" + Second + "\r\n"}
        << QStringList{QString::fromLatin1(First), QString::fromLatin1(Second)} << QString();
    QTest::newRow("other types, lower case, no star, empty lines are dropped")
        << QByteArrayList{"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                          "$gprmc,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68\r\n"
                          "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194\r\n\r\n\r"}
        << QStringList() << QString();
    QTest::newRow("lines ended by line feed alone run together until a carriage return")
        << QByteArrayList{First + "\n" + Second + "\n", "$GPVTG,054.7,T,034.4,M*07\r\n"}
        << QStringList{QString::fromLatin1(First + Second + "$GPVTG,054.7,T,034.4,M*07")}
        << QString();
    QTest::newRow("text after the last carriage return waits")
        << QByteArrayList{First + "\r\n$GPRMC,2254"} << QStringList{QString::fromLatin1(First)}
        << QStringLiteral("$GPRMC,2254");
    QTest::newRow("8-bit characters taken one for one")
        << QByteArrayList{"$GPRMC,\xe9\xff\x80,A*00\r\n"}
        << QStringList{QStringLiteral(u"$GPRMC,\u00e9\u00ff\u0080,A*00")} << QString();
}

void tst_SerialReceiver::framesWhatArrives() {
    QFETCH(QByteArrayList, arrivals);
    QFETCH(QStringList, expected);
    QFETCH(QString, leftOver);
    OpenReceiver();
    for (const QByteArray& arrival : arrivals) {
        QVERIFY(m_terminal->Write(arrival));
        QTest::qWait(50);
    }
    QTRY_COMPARE(m_sentences, expected);
    QTRY_COMPARE(m_receiver->ReceiveBuffer(), leftOver);
    QTest::qWait(100);
    QCOMPARE(m_sentences, expected);
}

void tst_SerialReceiver::bufferSurvivesCloseAndReopen() {
    OpenReceiver();
    QVERIFY(m_terminal->Write(First.first(30)));
    QTRY_COMPARE(m_receiver->ReceiveBuffer(), QString::fromLatin1(First.first(30)));
    QCOMPARE(m_receiver->Toggle(PortIndex, 0, LineSettings), QString());
    QVERIFY(!m_receiver->IsOpen());
    OpenReceiver();
    QVERIFY(m_terminal->Write(First.sliced(30) + "\r\n"));
    QTRY_COMPARE(m_sentences, QStringList{QString::fromLatin1(First)});
}

void tst_SerialReceiver::toggleStoresChoicesAfterOpening() {
    const QString folder = m_folder->path();
    QCOMPARE(m_receiver->Toggle(PortIndex, 1, QStringLiteral("9600,n,8,1")), QString());
    QVERIFY(m_receiver->IsOpen());
    QCOMPARE(modPrivate::ReadSetting(folder, "Settings", "CommPort"), QStringLiteral("3"));
    QCOMPARE(modPrivate::ReadSetting(folder, "Settings", "Setting"), QStringLiteral("1"));
    QVERIFY(m_terminal->Write(Second + "\r\n"));
    QTRY_COMPARE(m_sentences, QStringList{QString::fromLatin1(Second)});

    QCOMPARE(m_receiver->Toggle(PortIndex, 1, QStringLiteral("9600,n,8,1")), QString());
    QVERIFY(!m_receiver->IsOpen());
    QVERIFY(m_terminal->Write(First + "\r\n"));
    QTest::qWait(100);
    QCOMPARE(m_sentences.size(), 1);
}

void tst_SerialReceiver::failedOpenChangesNothing_data() {
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("device"); // what COM5 maps to
    QTest::addColumn<QString>("message");

    QTest::newRow("no port chosen") << -1 << LineSettings << ""
                                    << "Invalid port number";
    QTest::newRow("missing device") << 4 << LineSettings << "/nonexistent/ttyGPS"
                                    << "No such file or directory";
    QTest::newRow("regular file") << 4 << LineSettings << "vendrel.ini"
                                  << "";
    QTest::newRow("unknown parity") << PortIndex << "4800,x,8,1"
                                    << ""
                                    << "Invalid line settings";
    QTest::newRow("three parts") << PortIndex << "4800,n,8"
                                 << ""
                                 << "Invalid line settings";
}

void tst_SerialReceiver::failedOpenChangesNothing() {
    QFETCH(int, portIndex);
    QFETCH(QString, settings);
    QFETCH(QString, device);
    QFETCH(QString, message);
    const QString folder = m_folder->path();
    const QString mapped =
        device.startsWith('/') || device.isEmpty() ? device : QDir(folder).filePath(device);
    QVERIFY(WritePortSettings(folder, PortIndex + 1, m_terminal->SlavePath(),
                              "COM5=" + mapped.toLocal8Bit() +
                                  "\r\n[Settings]\r\nCommPort=7\r\nSetting=0\r\n"));
    const QByteArray before = ReadFile(QDir(folder).filePath("vendrel.ini"));

    const QString error = m_receiver->Toggle(portIndex, 1, settings);
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!m_receiver->IsOpen());
    QCOMPARE(ReadFile(QDir(folder).filePath("vendrel.ini")), before);
}

void tst_SerialReceiver::lostDeviceIsReportedOnceAndClosesThePort() {
    QSignalSpy lost(m_receiver.get(), &clsSerialReceiver::PortLost);
    OpenReceiver();
    QStringList sent;
    QTimer sender;
    connect(&sender, &QTimer::timeout, this, [&] {
        const QByteArray sentence = "$GPRMC," + QByteArray::number(sent.size()) + ",A*00";
        if (m_terminal->Write(sentence + "\r\n")) {
            sent.append(QString::fromLatin1(sentence));
        }
    });
    sender.start(5);
    QTRY_VERIFY(m_sentences.size() >= 20);
    sender.stop();
    m_terminal->CloseMaster();

    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!m_receiver->IsOpen());
    QVERIFY(!lost.first().first().toString().isEmpty());
    QTest::qWait(300);
    QCOMPARE(lost.count(), 1);
    QVERIFY(m_sentences.size() >= 20);
    QCOMPARE(m_sentences, sent.first(m_sentences.size()));
    // Closed means the next toggle tries to open, and the device is gone.
    QVERIFY(!m_receiver->Toggle(PortIndex, 0, LineSettings).isEmpty());
    QVERIFY(!m_receiver->IsOpen());
}

QTEST_GUILESS_MAIN(tst_SerialReceiver)
#include "tst_SerialReceiver.moc"
