// Decoding of $GPRMC sentences into the current fix, and when a fix is recorded.

#include "DecoderTestSupport.h"
#include "tracking/clsTrackRecorder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace DecoderTestSupport;

namespace {

const QString Keep = QStringLiteral("<keep>");
// N 25.03539, E 121.57613, 10.5 knots, course 123.4; its checksum 4A holds a letter.
const QString MovingBody =
    QStringLiteral("GPRMC,134512,A,2502.1234,N,12134.5678,E,10.5,123.4,180209,,,A");
const QString Moving = WithChecksum(MovingBody);

QList<QStringList> ReadTable(const QString& name) {
    QFile file(QStringLiteral(STATION_CORPUS "/") + name);
    QList<QStringList> rows;
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        file.readLine(); // column names
        while (!file.atEnd()) {
            rows.append(QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char('\t')));
        }
    }
    return rows;
}

// Status, latitude, N/S, longitude, E/W, speed, course as comparable texts.
QStringList Texts(const PositionFix& f) {
    return {f.Status,   Exact(f.Latitude), f.NorthSouth,      Exact(f.Longitude),
            f.EastWest, Exact(f.Speed),    Exact(f.Direction)};
}

// The expected texts in the order of Texts(); "<keep>" stands for the value before.
QStringList Expected(const QStringList& cells, const PositionFix& before) {
    QStringList texts = Texts(before);
    for (int i = 0; i < 7; ++i) {
        if (cells[i] != Keep) {
            texts[i] = (i == 0 || i == 2 || i == 4) ? cells[i]
                       : i < 5                      ? Exact(cells[i].toDouble())
                                                    : Exact(cells[i].toFloat());
        }
    }
    return texts;
}

} // namespace

class tst_TrackRecorder : public QObject {
    Q_OBJECT

private slots:
    void init();
    void decodesTheReceiverCorpusAsTheOracle();
    void roundsExactHalvesToEven();
    void readsCoordinateSlices_data();
    void readsCoordinateSlices();
    void keepsWhatASentenceLacks_data();
    void keepsWhatASentenceLacks();
    void dropsSentencesWithAWrongChecksum_data();
    void dropsSentencesWithAWrongChecksum();
    void recordsWhenThePositionChanges_data();
    void recordsWhenThePositionChanges();
    void givesTheRowsOfRecordedFixes();
    void stampsEveryFixWithTheClock();
    void replacingTheTrackKeepsTheSpareSlot();

private:
    clsTrackRecorder* Recorder(const QStringList& moments = {"2009-02-18 13:45:10.000"});
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<clsTrackRecorder> m_recorder;
};

void tst_TrackRecorder::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

clsTrackRecorder* tst_TrackRecorder::Recorder(const QStringList& moments) {
    m_recorder = std::make_unique<clsTrackRecorder>(m_folder->path(), ListedClock(moments));
    m_recorder->SetHistoryEnabled(false);
    m_recorder->SetSpeedUnit(QStringLiteral("Knots"));
    return m_recorder.get();
}

void tst_TrackRecorder::decodesTheReceiverCorpusAsTheOracle() {
    const QList<QStringList> rows = ReadTable(QStringLiteral("rmc-oracle.tsv"));
    QVERIFY(rows.size() > 900);
    clsTrackRecorder* recorder = Recorder();
    for (const QStringList& row : rows) {
        const QStringList expected = Expected(row.mid(1), recorder->CurrentFix());
        recorder->ProcessSentence(row[0]);
        const QStringList actual = Texts(recorder->CurrentFix());
        QVERIFY2(actual == expected, qPrintable(row[0] + " gave " + actual.join(' ')));
    }
    qInfo("oracle rows checked: %lld", static_cast<long long>(rows.size()));
}

void tst_TrackRecorder::roundsExactHalvesToEven() {
    const QList<QStringList> rows = ReadTable(QStringLiteral("rmc-oracle-ties.tsv"));
    QVERIFY(rows.size() > 300);
    for (const QStringList& row : rows) {
        const PositionFix& fix = Recorder()->CurrentFix();
        m_recorder->ProcessSentence(row[0]);
        const QString value = Exact(row[1] == "lat" ? fix.Latitude : fix.Longitude);
        QVERIFY2(value == Exact(row[2].toDouble()) && value != Exact(row[3].toDouble()),
                 qPrintable(row.join(' ')));
    }
    qInfo("tie rows checked: %lld", static_cast<long long>(rows.size()));
}

void tst_TrackRecorder::readsCoordinateSlices_data() {
    QTest::addColumn<QString>("latitudeField");
    QTest::addColumn<QString>("longitudeField");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::newRow("example") << "2502.1234"
                             << "12134.5678" << 25.03539 << 121.57613;
    QTest::newRow("short fraction as ten-thousandths") << "4916.45"
                                                       << "12311.12" << 49.26674 << 123.18335;
    QTest::newRow("digits past the fourth") << "4916.45678"
                                            << "12311.12999" << 49.27428 << 123.1855;
    QTest::newRow("empty") << ""
                           << "" << 0.0 << 0.0;
    QTest::newRow("blank, letter") << " 502.1234"
                                   << "12x34.5678" << 5.03539 << 12.57613;
    QTest::newRow("exponent") << "2502.1e-3"
                              << "12134.5678" << 25.03333 << 121.57613;
    // Slices that are not whole: binary floating point would give 0.50003, 1.58335, 1.00005.
    QTest::newRow("halves, not whole") << ".500.0015"
                                       << "1.55..0013" << 0.50002 << 1.58336;
    QTest::newRow("half, not whole") << ".530.0033"
                                     << "" << 1.00006 << 0.0;
    QTest::newRow("signed degrees follow the sum") << "-130.0000"
                                                   << "" << -0.5 << 0.0;
}

void tst_TrackRecorder::readsCoordinateSlices() {
    QFETCH(QString, latitudeField);
    QFETCH(QString, longitudeField);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    Recorder()->ProcessSentence(WithChecksum(
        QStringLiteral("GPRMC,1,A,%1,N,%2,E,1,2,3").arg(latitudeField, longitudeField)));
    QCOMPARE(Exact(m_recorder->CurrentFix().Latitude), Exact(latitude));
    QCOMPARE(Exact(m_recorder->CurrentFix().Longitude), Exact(longitude));
}

void tst_TrackRecorder::keepsWhatASentenceLacks_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("expected"); // status lat ns lon ew speed course
    const QString position = "2502.1234,N,12134.5678,E";
    QTest::newRow("empty course") << "GPRMC,1,A," + position + ",0.0,,1"
                                  << QStringList{"A", "25.03539", "N", "121.57613", "E", "0", Keep};
    QTest::newRow("empty position")
        << "GPRMC,1,V,,,,,,,1" << QStringList{"V", "0", "", "0", "", Keep, Keep};
    QTest::newRow("too few fields")
        << "GPRMC,1,V,4916.45" << QStringList{"V", "49.26674", Keep, Keep, Keep, Keep, Keep};
    QTest::newRow("time only") << "GPRMC,1"
                               << QStringList{Keep, Keep, Keep, Keep, Keep, Keep, Keep};
    QTest::newRow("letters after the speed")
        << "GPRMC,1,A," + position + ",12abc,7,1"
        << QStringList{"A", "25.03539", "N", "121.57613", "E", Keep, "7"};
    QTest::newRow("blanks, sign, exponent")
        << "GPRMC,1,A," + position + ", 12.5 ,+2.5e1,1"
        << QStringList{"A", "25.03539", "N", "121.57613", "E", "12.5", "25"};
    QTest::newRow("inf, hex") << "GPRMC,1,A," + position + ",inf,0x10,1"
                              << QStringList{"A", "25.03539", "N", "121.57613", "E", Keep, Keep};
    QTest::newRow("beyond a float")
        << "GPRMC,1,A," + position + ",1e39,-1,1"
        << QStringList{"A", "25.03539", "N", "121.57613", "E", Keep, "-1"};
}

void tst_TrackRecorder::keepsWhatASentenceLacks() {
    QFETCH(QString, body);
    QFETCH(QStringList, expected);
    Recorder()->ProcessSentence(WithChecksum("GPRMC,1,V,3854.5087,S,07726.4523,W,3.5,271.3,1"));
    const QStringList wanted = Expected(expected, m_recorder->CurrentFix());
    m_recorder->ProcessSentence(WithChecksum(body));
    QCOMPARE(Texts(m_recorder->CurrentFix()), wanted);
}

void tst_TrackRecorder::dropsSentencesWithAWrongChecksum_data() {
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("decoded");
    const QString start = '$' + MovingBody + '*';
    QTest::newRow("matching") << Moving << true;
    QTest::newRow("matching, lower case") << start + "4a" << true;
    QTest::newRow("mismatch") << start + "6B" << false;
    QTest::newRow("mismatch, lower case") << start + "6b" << false;
    QTest::newRow("damaged field") << QString(Moving).replace("2502", "2503") << false;
    QTest::newRow("star alone") << start << true;
    QTest::newRow("one digit") << start + "5" << true;
    QTest::newRow("not hex") << start + "G0" << true;
}

void tst_TrackRecorder::dropsSentencesWithAWrongChecksum() {
    QFETCH(QString, sentence);
    QFETCH(bool, decoded);
    QVERIFY(Moving.endsWith("*4A"));
    Recorder({"2009-02-18 13:45:10.000", "2009-02-18 13:45:11.000"})
        ->ProcessSentence(WithChecksum("GPRMC,1,V,3854.5087,S,07726.4523,W,3.5,271.3,1"));
    const PositionFix before = m_recorder->CurrentFix();
    QCOMPARE(m_recorder->ProcessSentence(sentence).Recorded, decoded);
    QCOMPARE(m_recorder->RecordCount(), decoded ? 2 : 1);
    QCOMPARE(m_recorder->CurrentFix().FixTime == before.FixTime, !decoded);
    QCOMPARE(m_recorder->CurrentFix() == before, !decoded);
}

void tst_TrackRecorder::recordsWhenThePositionChanges_data() {
    QTest::addColumn<QStringList>("bodies"); // "reset" opens the port afresh
    QTest::addColumn<QString>("recorded");   // 1 or 0 per body
    const QString here = "GPRMC,1,A,2502.1234,N,12134.5678,E,";
    QTest::newRow("same position, other speed") << QStringList{here + "1,2", here + "3,4"} << "10";
    QTest::newRow("latitude only")
        << QStringList{here + "1,2", QString(here).replace("1234", "1240")} << "11";
    QTest::newRow("first after opening") << QStringList{here, "reset", here} << "11";
    QTest::newRow("empty first after opening") << QStringList{"reset", "GPRMC,1,V,,,,,,,1"} << "0";
    QTest::newRow("empty after a position")
        << QStringList{here, "GPRMC,1,V,,,,,,,1", "GPRMC,1,V,,,,,,,1"} << "110";
}

void tst_TrackRecorder::recordsWhenThePositionChanges() {
    QFETCH(QStringList, bodies);
    QFETCH(QString, recorded);
    clsTrackRecorder* recorder = Recorder();
    QString actual;
    qsizetype sinceOpening = 0;
    for (const QString& body : bodies) {
        if (body == "reset") {
            recorder->ResetForOpening();
            sinceOpening = 0;
        } else if (recorder->ProcessSentence(WithChecksum(body)).Recorded) {
            actual += '1';
            ++sinceOpening;
        } else {
            actual += '0';
        }
    }
    QCOMPARE(actual, recorded);
    QCOMPARE(recorder->RecordCount(), sinceOpening);
    QCOMPARE(recorder->TrackRecords().size(), sinceOpening + 1);
}

void tst_TrackRecorder::givesTheRowsOfRecordedFixes() {
    clsTrackRecorder* recorder = Recorder();
    recorder->ProcessSentence(WithChecksum("GPRMC,1,V,3854.5087,N,07726.4523,W,0.0,7,1"));
    const clsTrackRecorder::Result result = recorder->ProcessSentence(Moving);
    QCOMPARE(result.Row.Key, "#1");
    QCOMPARE(result.Row.Text, "2");
    const QList<std::pair<QString, QString>> expected = {
        {"Date", "2009/02/18 13:45:10"},
        {"CheckPoint", " Real time position"},
        {"Latitude", QString::fromUtf8("N 25\u00B0 02' 07\" ")},
        {"LONGITUDE", QString::fromUtf8("E 121\u00B0 34' 34\" ")},
        {"Direction", "123.4"},
        {"SPEED", "10.5Knots"}};
    QCOMPARE(result.Row.SubItems, expected);
    QCOMPARE(recorder->TrackRecords().size(), 3);
    QCOMPARE(recorder->TrackRecords().at(1), recorder->CurrentFix());
    QCOMPARE(recorder->TrackRecords().last(), PositionFix{});
    const FixRow first = FixRow::FromFix(0, recorder->TrackRecords().at(0), "Knots");
    QCOMPARE(first.Key, "#0");
    QCOMPARE(first.SubItems.at(1).second, " Last location");
    QCOMPARE(first.SubItems.at(5).second, "0  Knots");
}

void tst_TrackRecorder::stampsEveryFixWithTheClock() {
    // Within one second, into the next, and the same time of day on the next day.
    clsTrackRecorder* recorder = Recorder({"2009-02-18 13:45:10.200", "2009-02-18 13:45:10.900",
                                           "2009-02-18 13:45:11.100", "2009-02-19 13:45:11.100"});
    for (const QString text : {"2009/02/18 13:45:10", "2009/02/18 13:45:10", "2009/02/18 13:45:11",
                               "2009/02/19 13:45:11"}) {
        recorder->ProcessSentence(Moving);
        QCOMPARE(recorder->CurrentFix().FixTime, text);
    }
}

void tst_TrackRecorder::replacingTheTrackKeepsTheSpareSlot() {
    PositionFix fix;
    fix.Latitude = 1;
    Recorder()->SetTrackRecords({fix, fix, fix});
    QCOMPARE(m_recorder->RecordCount(), 3);
    QCOMPARE(m_recorder->TrackRecords().last(), PositionFix{});
    m_recorder->ProcessSentence(Moving);
    QCOMPARE(m_recorder->RecordCount(), 4);
    QCOMPARE(Exact(m_recorder->TrackRecords().at(3).Latitude), Exact(25.03539));
}

QTEST_GUILESS_MAIN(tst_TrackRecorder)
#include "tst_TrackRecorder.moc"
