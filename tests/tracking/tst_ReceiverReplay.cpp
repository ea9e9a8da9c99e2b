// Real receiver captures played by the receiver simulator into a pseudo-terminal,
// received through the station's serial port and decoded by the track recorder.

#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/clsTrackRecorder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Corpus = QStringLiteral(STATION_TEST_DATA);

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sentence -> status, lat, ns, lon, ew, speed, course as the station must decode them.
QHash<QByteArray, QStringList> ReadOracle() {
    QHash<QByteArray, QStringList> rows;
    for (const QByteArray& line :
         ReadBytes(Corpus + QStringLiteral("/rmc-oracle.tsv")).split('\n')) {
        QStringList columns = QString::fromLatin1(line).split('\t');
        rows.insert(columns.takeFirst().toLatin1(), columns);
    }
    return rows;
}

// The columns as comparable texts; "<keep>" takes the column of before.
QStringList Comparable(QStringList columns, const QStringList& before = {}) {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns[i] == QLatin1String("<keep>")) {
            columns[i] = before.value(i);
        } else if (i == 1 || i == 3) {
            columns[i] = QString::number(columns[i].toDouble(), 'f', 5);
        } else if (i >= 5) {
            columns[i] = QString::number(columns[i].toFloat());
        }
    }
    return columns;
}

QStringList Columns(const PositionFix& fix) {
    return Comparable({fix.Status, QString::number(fix.Latitude, 'g', 17), fix.NorthSouth,
                       QString::number(fix.Longitude, 'g', 17), fix.EastWest,
                       QString::number(fix.Speed, 'g', 9), QString::number(fix.Direction, 'g', 9)});
}

} // namespace

class tst_ReceiverReplay : public QObject {
    Q_OBJECT

private slots:
    void replayedCaptureDecodesAsTheOracleSays_data() {
        QTest::addColumn<QString>("capture");
        // Mixed line ends, binary noise, CR-only lines, other talkers, split lines, UTF-8
        // text, fields that keep their value, many fixes.
        for (const char* name :
             {"GPSmap-76S.log", "ac12_binary.log", "telit-pls83-w.log", "gpsdf.log",
              "nmea-fuzzy-cases.log", "tcp-torture.log", "foretrex-201.log", "nd-1005.log",
              "ait250.log", "meinberg-gps164.log"}) {
            QTest::newRow(name) << Corpus + QStringLiteral("/gpsd-logs/") + name;
        }
    }

    void replayedCaptureDecodesAsTheOracleSays() {
        QFETCH(QString, capture);
        QTemporaryDir folder;
        clsTrackRecorder recorder(folder.path());
        recorder.ResetForOpening();
        // What must arrive, found without the station's framing, each with its oracle row.
        const QHash<QByteArray, QStringList> oracle = ReadOracle();
        QStringList wanted;
        QStringList fix = Columns(recorder.CurrentFix());
        for (const QByteArray& line : ReadBytes(capture).split('\n')) {
            for (const QByteArray& piece : line.split('\r')) {
                if (!line.startsWith('#') && piece.startsWith("$GPRMC") && piece.contains('*')) {
                    fix = Comparable(oracle.value(piece), fix);
                    wanted.append(QString::fromLatin1(piece) + ' ' + fix.join(' '));
                }
            }
        }
        QVERIFY(!wanted.isEmpty());

        const QString link = folder.filePath(QStringLiteral("gps"));
        QProcess simulator;
        simulator.start(QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator"),
                        {capture, QStringLiteral("--speed"), QStringLiteral("500"),
                         QStringLiteral("--link"), link});
        QVERIFY(simulator.waitForReadyRead(5000));
        QVERIFY(WritePortSettings(folder.path(), 1, link));
        clsSerialReceiver receiver(folder.path());
        QStringList decoded;
        connect(&receiver, &clsSerialReceiver::SentenceReceived, this,
                [&](const QString& sentence) {
                    recorder.ProcessSentence(sentence);
                    decoded.append(sentence + ' ' + Columns(recorder.CurrentFix()).join(' '));
                });
        receiver.Open(0, 0, QStringLiteral("4800,n,8,1"));
        QTRY_COMPARE_WITH_TIMEOUT(decoded, wanted, 20000);

        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(tst_ReceiverReplay)
#include "tst_ReceiverReplay.moc"
