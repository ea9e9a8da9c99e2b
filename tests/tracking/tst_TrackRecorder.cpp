// Decoding of $GPRMC sentences into the current fix, and when a fix is recorded.

#include "tracking/DecoderTestSupport.h"

#include <QtTest>

namespace {

const QString Keep = QStringLiteral("<keep>");
const QString MovingBody = "GPRMC,134512,A,2502.1234,N,12134.5678,E,10.5,123.4,180209,,,A";
const QString NoFix = "GPRMC,1,V,,,,,,,1"; // a receiver without a fix
const QString SouthWest = WithChecksum("GPRMC,1,V,3854.5087,S,07726.4523,W,3.5,271.3,1");

QList<QStringList> ReadTable(const QString& name) {
    const QString text = QString::fromUtf8(ReadBytes(STATION_TEST_DATA "/" + name));
    QList<QStringList> rows;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts).mid(1)) { // after the heading
        rows.append(line.trimmed().split('\t'));
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
    for (int i = 0; i < texts.size(); ++i) {
        if (cells[i] != Keep) {
            texts[i] = i == 1 || i == 3 ? Exact(cells[i].toDouble())
                       : i >= 5         ? Exact(cells[i].toFloat())
                                        : cells[i];
        }
    }
    return texts;
}

} // namespace

class tst_TrackRecorder : public QObject {
    Q_OBJECT

private slots:
    // In file order, as from one receiver; then the rows whose value lies half-way.
    void decodesTheReceiverCorpusAsTheOracle() {
        const QList<QStringList> rows = ReadTable("rmc-oracle.tsv");
        const QList<QStringList> ties = ReadTable("rmc-oracle-ties.tsv");
        QVERIFY(rows.size() > 900 && ties.size() > 300);
        Station s;
        s.recorder.SetHistoryEnabled(false); // decoding alone, a thousand times
        for (const QStringList& row : rows) {
            const QStringList expected = Expected(row.mid(1), s.recorder.CurrentFix());
            s.recorder.ProcessSentence(row[0]);
            const QStringList actual = Texts(s.recorder.CurrentFix());
            QVERIFY2(actual == expected, qPrintable(row[0] + " gave " + actual.join(' ')));
        }
        for (const QStringList& row : ties) {
            s.recorder.ProcessSentence(row[0]);
            const PositionFix& fix = s.recorder.CurrentFix();
            const QString value = Exact(row[1] == "lat" ? fix.Latitude : fix.Longitude);
            QVERIFY2(value == Exact(row[2].toDouble()), qPrintable(row.join(' ')));
        }
    }

    // Each sentence follows SouthWest; "<keep>" is the value SouthWest left.
    void decodesEdgeCases_data() {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QStringList>("expected"); // status lat ns lon ew speed course
        QTest::addColumn<bool>("recorded");
        const QString here = "GPRMC,1,A,2502.1234,N,12134.5678,E,";
        const QStringList moved = {"A", "25.03539", "N", "121.57613", "E"};
        const auto row = [](const char* name, const QString& body, const QStringList& expected,
                            bool recorded = true) {
            QTest::newRow(name) << WithChecksum(body) << expected << recorded;
        };
        row("same position, other speed", "GPRMC,1,V,3854.5087,S,07726.4523,W,9.5,271.3,1",
            {Keep, Keep, Keep, Keep, Keep, "9.5", Keep}, false);
        row("latitude only", "GPRMC,1,V,3854.5099,S,07726.4523,W,3.5,271.3,1",
            {Keep, "38.90850", Keep, Keep, Keep, Keep, Keep});
        row("empty course", here + "0.0,,1", moved + QStringList{"0", Keep});
        row("empty position", NoFix, {"V", "0", "", "0", "", Keep, Keep});
        row("too few fields", "GPRMC,1,V,4916.45", {"V", "49.26674", Keep, Keep, Keep, Keep, Keep});
        row("letters, beyond a float", here + "12abc,1e39,1", moved + QStringList{Keep, Keep});
        row("blanks, sign, exponent", here + " 12.5 ,+2.5e1,1", moved + QStringList{"12.5", "25"});
        // Slices that are not whole: binary floating point would give 0.50003 and 1.58335.
        row("slices not whole", "GPRMC,1,A,.500.0015,N,1.55..0013,E,,,1",
            {"A", "0.50002", "N", "1.58336", "E", Keep, Keep});
        // The checksum of MovingBody is 4A; a sentence that fails it changes nothing.
        const QString star = '$' + MovingBody + '*';
        const QStringList moving = moved + QStringList{"10.5", "123.4"};
        QTest::newRow("checksum in lower case") << star + "4a" << moving << true;
        QTest::newRow("star without checksum") << star << moving << true;
        QTest::newRow("checksum mismatch") << star + "6B" << QStringList(7, Keep) << false;
        QTest::newRow("damaged field")
            << QString(star + "4A").replace("2502", "2503") << QStringList(7, Keep) << false;
    }

    void decodesEdgeCases() {
        QFETCH(QString, sentence);
        QFETCH(QStringList, expected);
        QFETCH(bool, recorded);
        Station s;
        s.recorder.ProcessSentence(SouthWest);
        const QStringList wanted = Expected(expected, s.recorder.CurrentFix());
        QCOMPARE(s.recorder.ProcessSentence(sentence).Recorded, recorded);
        QCOMPARE(Texts(s.recorder.CurrentFix()), wanted);
    }

    // Opening the port empties the track and makes 0, 0 the position to move from.
    void recordsTheFirstFixAfterOpening() {
        Station s;
        s.recorder.ProcessSentence(SouthWest);
        s.recorder.ResetForOpening();
        QVERIFY(s.recorder.ProcessSentence(SouthWest).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 1);
        QVERIFY(s.recorder.ProcessSentence(WithChecksum(NoFix)).Recorded);
        QVERIFY(!s.recorder.ProcessSentence(WithChecksum(NoFix)).Recorded);
        s.recorder.ResetForOpening();
        QVERIFY(!s.recorder.ProcessSentence(WithChecksum(NoFix)).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 0);
    }

    // A recorded fix becomes the element after those a fetch left.
    void recordedFixesJoinTheTrack() {
        Station s;
        s.recorder.TrackRecords().Append(PositionFix{});
        s.recorder.TrackRecords().Append(PositionFix{});
        QVERIFY(s.recorder.ProcessSentence(SouthWest).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 3);
        QCOMPARE(s.recorder.TrackRecords().At(2), s.recorder.CurrentFix());
        QCOMPARE(s.recorder.TrackRecords().At(2).FixTime, "2009/02/18 13:45:10");
        QCOMPARE(s.recorder.TrackRecords().At(3), PositionFix{});
    }

    void stampsEveryFixWithTheClock() {
        // The same time of day on the next day is another text.
        Station s({"2009-02-18 13:45:10.200", "2009-02-19 13:45:10.900"});
        for (const QString text : {"2009/02/18 13:45:10", "2009/02/19 13:45:10"}) {
            s.recorder.ProcessSentence(WithChecksum(NoFix)); // records nothing
            QCOMPARE(s.recorder.CurrentFix().FixTime, text);
        }
    }
};

QTEST_GUILESS_MAIN(tst_TrackRecorder)
#include "tst_TrackRecorder.moc"
