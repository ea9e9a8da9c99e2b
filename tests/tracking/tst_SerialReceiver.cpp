// Reception through a pseudo-terminal opened by the station's own serial port.

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsSerialReceiver.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QByteArray First = "$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*62";
const QByteArray Second = "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68";
constexpr int PortIndex = 2; // COM3
const QString Line = QStringLiteral("4800,n,8,1");
using Bytes = QByteArrayList;

QByteArray SettingsFile(const QString& folder) {
    QFile file(QDir(folder).filePath(QStringLiteral("vendrel.ini")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_SerialReceiver : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestPseudoTerminal> m_terminal;
    std::unique_ptr<clsSerialReceiver> m_receiver;
    Bytes m_sentences;

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        m_terminal = std::make_unique<TestPseudoTerminal>();
        QVERIFY(WritePortSettings(m_folder->path(), PortIndex + 1, m_terminal->SlavePath()));
        m_receiver = std::make_unique<clsSerialReceiver>(m_folder->path());
        m_sentences.clear();
        connect(m_receiver.get(), &clsSerialReceiver::SentenceReceived, this,
                [this](const QString& sentence) { m_sentences.append(sentence.toLatin1()); });
    }

    void framesWhatArrives_data() {
        QTest::addColumn<Bytes>("writes");
        QTest::addColumn<Bytes>("expected");
        QTest::newRow("split over two writes")
            << Bytes{First.first(4), First.sliced(4) + "\r\n"} << Bytes{First};
        QTest::newRow("CR LF alone") << Bytes{"\r\n", First + "\r\n"} << Bytes{First};
        QTest::newRow("two in one write, in order")
            << Bytes{First + "\r\n" + Second + "\r\n"} << Bytes{First, Second};
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
    }

    void failedOpenChangesNothing_data() {
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("port 0") << -1 << Line << "Invalid port number";
        QTest::newRow("missing device") << 4 << Line << "No such file or directory";
        QTest::newRow("bad line settings") << PortIndex << "4800,x,8,1"
                                           << "Invalid line settings";
    }

    void failedOpenChangesNothing() {
        QFETCH(int, portIndex);
        QFETCH(QString, line);
        QFETCH(QString, message);
        const QString folder = m_folder->path();
        QVERIFY(WritePortSettings(folder, PortIndex + 1, m_terminal->SlavePath(),
                                  "COM5=/nonexistent/ttyGPS\r\n"
                                  "[Settings]\r\nCommPort=7\r\nSetting=0\r\n"));
        const QByteArray before = SettingsFile(folder);
        QString error;
        try {
            m_receiver->Toggle(portIndex, 1, line);
        } catch (const clsStationError& e) {
            error = e.Message();
        }
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!m_receiver->IsOpen());
        QCOMPARE(SettingsFile(folder), before);
    }

    void unplugIsReportedOnceAndClosesThePort() {
        QSignalSpy lost(m_receiver.get(), &clsSerialReceiver::PortLost);
        m_receiver->Open(PortIndex, 0, Line);
        QVERIFY(m_terminal->Write(First + "\r\n" + Second + "\r\n$GPRMC,2254"));
        QTRY_COMPARE(m_receiver->ReceiveBuffer(), QStringLiteral("$GPRMC,2254"));
        m_terminal->CloseMaster();

        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!m_receiver->IsOpen());
        const QString message = lost.first().first().toString();
        for (const QString& part : {QString("COM3"), m_terminal->SlavePath(), QString("closed")}) {
            QVERIFY2(message.contains(part), qPrintable(message));
        }
        QTest::qWait(300);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(m_sentences, (Bytes{First, Second}));
        QCOMPARE(m_receiver->ReceiveBuffer(), QStringLiteral("$GPRMC,2254"));
    }
};

QTEST_GUILESS_MAIN(tst_SerialReceiver)
#include "tst_SerialReceiver.moc"
