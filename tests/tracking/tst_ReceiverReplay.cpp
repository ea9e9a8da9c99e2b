// Real receiver captures played by the receiver simulator into a pseudo-terminal,
// received through the station's serial port and decoded by the track recorder.

#include "TestPseudoTerminal.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/clsTrackRecorder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

const QString CorpusFolder = QStringLiteral(STATION_CORPUS);

// The "$GPRMC" lines of a capture, found without the station's framing: every
// piece between line ends of the lines that are not comments.
QStringList PositionLines(const QByteArray& capture) {
    QStringList lines;
    for (const QByteArray& line : capture.split('\n')) {
        if (line.startsWith('#')) {
            continue;
        }
        for (const QByteArray& piece : line.split('\r')) {
            if (piece.startsWith("$GPRMC") && piece.contains('*')) {
                lines.append(QString::fromLatin1(piece));
            }
        }
    }
    return lines;
}

// Sentence -> status, lat, ns, lon, ew, speed, course as the station must decode them.
QHash<QString, QStringList> ReadOracle() {
    QHash<QString, QStringList> rows;
    QFile file(CorpusFolder + QStringLiteral("/rmc-oracle.tsv"));
    if (!file.open(QIODevice::ReadOnly)) {
        return rows;
    }
    file.readLine();
    while (!file.atEnd()) {
        QStringList columns = QString::fromLatin1(file.readLine()).chopped(1).split('\t');
        if (columns.size() == 8) {
            rows.insert(columns.takeFirst(), columns);
        }
    }
    return rows;
}

// Status, latitude, N/S, longitude, E/W, speed and course as comparable texts.
QStringList Columns(const PositionFix& fix) {
    return {fix.Status,
            QString::number(fix.Latitude, 'f', 5),
            fix.NorthSouth,
            QString::number(fix.Longitude, 'f', 5),
            fix.EastWest,
            QString::number(fix.Speed),
            QString::number(fix.Direction)};
}

// The columns an oracle row asks for after a fix that had the columns before.
QStringList Expected(const QStringList& row, const QStringList& before) {
    QStringList expected;
    for (int i = 0; i < row.size(); ++i) {
        const bool number = i == 1 || i == 3 || i == 5 || i == 6;
        if (row[i] == QLatin1String("<keep>")) {
            expected.append(before[i]);
        } else if (number) {
            expected.append(i < 5 ? QString::number(row[i].toDouble(), 'f', 5)
                                  : QString::number(row[i].toFloat()));
        } else {
            expected.append(row[i]);
        }
    }
    return expected;
}

} // namespace

class tst_ReceiverReplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void replayedCaptureArrivesWholeAndDecodes_data();
    void replayedCaptureArrivesWholeAndDecodes();
    void simulatorOutlivesStationsAndStopsCleanly();

private:
    QString m_simulator;
    QHash<QString, QStringList> m_oracle;
};

void tst_ReceiverReplay::initTestCase() {
    m_simulator = QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator");
    QVERIFY2(QFile::exists(m_simulator), qPrintable(m_simulator));
    m_oracle = ReadOracle();
    QVERIFY(m_oracle.size() > 900);
}

void tst_ReceiverReplay::replayedCaptureArrivesWholeAndDecodes_data() {
    QTest::addColumn<QString>("capture");
    // Mixed line ends, binary noise, CR-only lines, a large capture, other talkers,
    // split lines, UTF-8 text, fields that keep their value, many fixes.
    for (const char* name : {"GPSmap-76S.log", "ac12_binary.log", "telit-pls83-w.log", "gpsdf.log",
                             "nmea-fuzzy-cases.log", "tcp-torture.log", "foretrex-201.log",
                             "nd-1005.log", "ait250.log", "meinberg-gps164.log"}) {
        QTest::newRow(name) << CorpusFolder + QStringLiteral("/gpsd-logs/") + name;
    }
}

void tst_ReceiverReplay::replayedCaptureArrivesWholeAndDecodes() {
    QFETCH(QString, capture);
    QFile file(capture);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList expected = PositionLines(file.readAll());
    QVERIFY(!expected.isEmpty());

    QProcess simulator;
    simulator.start(m_simulator, {capture, QStringLiteral("--speed"), QStringLiteral("500")});
    QVERIFY(simulator.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    QTemporaryDir folder;
    QVERIFY(WritePortSettings(folder.path(), 1, device));
    clsSerialReceiver receiver(folder.path());
    clsTrackRecorder recorder(folder.path());
    recorder.ResetForOpening();
    QStringList received;
    QStringList decoded;
    QStringList wanted;
    connect(&receiver, &clsSerialReceiver::SentenceReceived, this, [&](const QString& sentence) {
        received.append(sentence);
        const QStringList before = Columns(recorder.CurrentFix());
        recorder.ProcessSentence(sentence);
        decoded.append(sentence + ' ' + Columns(recorder.CurrentFix()).join(' '));
        wanted.append(sentence + ' ' + Expected(m_oracle.value(sentence), before).join(' '));
    });
    QCOMPARE(receiver.Open(0, 0, QStringLiteral("4800,n,8,1")), QString());

    QTRY_COMPARE_WITH_TIMEOUT(received.size(), expected.size(), 20000);
    QTest::qWait(100);
    QCOMPARE(received, expected);
    QCOMPARE(decoded, wanted);
    QVERIFY(receiver.IsOpen());

    simulator.terminate();
    QVERIFY(simulator.waitForFinished(5000));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 0);
}

// A station that closes the port and opens it again finds the simulator still
// playing, with fresh sentences rather than what was sent meanwhile; a stop removes
// the link.
void tst_ReceiverReplay::simulatorOutlivesStationsAndStopsCleanly() {
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("gps"));
    const QString demo = QStringLiteral(STATION_SOURCE_DIR "/data/demo/demo-drive.nmea");
    QProcess simulator;
    simulator.start(m_simulator, {demo, QStringLiteral("--speed"), QStringLiteral("20"),
                                  QStringLiteral("--loop"), QStringLiteral("--link"), link});
    QVERIFY(simulator.waitForReadyRead(5000));
    QVERIFY(QFileInfo(link).isSymLink());

    QVERIFY(WritePortSettings(folder.path(), 1, link));
    clsSerialReceiver receiver(folder.path());
    QStringList received;
    connect(&receiver, &clsSerialReceiver::SentenceReceived, this,
            [&](const QString& sentence) { received.append(sentence.section(',', 1, 1)); });
    QCOMPARE(receiver.Open(0, 0, QStringLiteral("4800,n,8,1")), QString());
    QTRY_VERIFY(received.size() >= 3);
    receiver.Close();
    const QString lastBeforeClose = received.last();
    QTest::qWait(500); // about ten fixes go out to nobody
    const qsizetype seen = received.size();
    QCOMPARE(receiver.Open(0, 0, QStringLiteral("4800,n,8,1")), QString());
    QTRY_VERIFY(received.size() >= seen + 3);
    const QTime before = QTime::fromString(lastBeforeClose.left(6), QStringLiteral("hhmmss"));
    const QTime after = QTime::fromString(received.at(seen).left(6), QStringLiteral("hhmmss"));
    QVERIFY2(before.secsTo(after) >= 5, qPrintable(lastBeforeClose + " -> " + received.at(seen)));

    simulator.terminate();
    QVERIFY(simulator.waitForFinished(5000));
    QCOMPARE(simulator.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(tst_ReceiverReplay)
#include "tst_ReceiverReplay.moc"
