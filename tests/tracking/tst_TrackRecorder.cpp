// Decoding of $GPRMC sentences into the current fix, the monthly history log the
// recorded fixes go to, and the compact track with the list rows made from it.

#include "shell/TestFiles.h"
#include "shell/clsProfileText.h"
#include "tracking/TestCaptures.h"
#include "tracking/TestSentences.h"
#include "tracking/clsDateViewModel.h"
#include "tracking/clsTrackRecorder.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cfloat>

namespace {

const QString Keep = QStringLiteral("<keep>");
const QString NoFix = "GPRMC,1,V,,,,,,,1"; // a receiver without a fix
const QString February = "export/History-2009-02.log";
const QByteArray Example = "2009/02/18 13:45:10|N|121.57613|E|25.03539|A|0.5|123.4\r\r\n";
const PositionFix Usual{"2009/02/18 13:45:10", "E", 121.57613, "N", 25.03539, 10.5f, 123.4f, "A"};

const QString Moving = Checksummed("GPRMC,1,A,2502.1234,N,12134.5678,E,0.5,123.4,180209");
const QString SouthWest = Checksummed("GPRMC,1,V,3854.5087,S,07726.4523,W,3.5,271.3,1");

// Every digit of a double: QCOMPARE of doubles is fuzzy, these comparisons must be exact.
QString Exact(double v) {
    return QString::number(v, 'g', 17);
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

QList<QStringList> ReadTable(const QString& name) {
    QList<QStringList> rows;
    const QString table = QString::fromUtf8(ReadFile(STATION_TEST_DATA "/" + name));
    for (const QString& line : table.split('\n', Qt::SkipEmptyParts).mid(1)) {
        rows.append(line.split('\t'));
    }
    return rows;
}

// The sentence that a row of the expected tables names by capture (cell 0) and line
// (cell 1); "" when that line holds none or more than one.
QString SentenceOfRow(const QStringList& row) {
    static QHash<QString, QByteArrayList> captures;
    auto capture = captures.find(row[0]);
    if (capture == captures.end()) {
        capture = captures.insert(row[0], CaptureLines(row[0]));
    }
    const qsizetype line = row[1].toLongLong() - 1;
    const QByteArrayList sentences =
        line >= 0 && line < capture->size() ? PositionSentences(capture->at(line)) : QByteArrayList();
    return sentences.size() == 1 ? QString::fromLatin1(sentences[0]) : QString();
}

QString Place(const QStringList& row) {
    return row[0] + ':' + row[1];
}

// A recorder beneath a fresh program folder whose clock gives the listed local times
// ("yyyy-MM-dd HH:mm:ss.zzz") one per call, then stays at the last one.
struct Station {
    explicit Station(const QStringList& moments = {"2009-02-18 13:45:10.000"})
        : recorder(folder.path(), [moments, next = qsizetype(0)]() mutable {
              return QDateTime::fromString(moments.at(std::min(next++, moments.size() - 1)),
                                           "yyyy-MM-dd HH:mm:ss.zzz");
          }) {}
    QString Path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    clsTrackRecorder recorder;
};

// The list with the keys it shows, and the texts of a row.
void AddColumns(clsDateViewModel& rows) {
    for (const char* key :
         {"Index", "Date", "CheckPoint", "Latitude", "LONGITUDE", "Direction", "SPEED"}) {
        rows.AddColumn({key, key, 1200});
    }
}

QString Shown(const clsDateViewModel& rows, int row) {
    QStringList texts;
    for (int column = 0; column < rows.columnCount(); ++column) {
        texts << rows.data(rows.index(row, column)).toString();
    }
    return texts.join('|');
}

} // namespace

Q_DECLARE_METATYPE(PositionFix)

class tst_TrackRecorder : public QObject {
    Q_OBJECT

private slots:
    // The expected values were worked out from these very files: a capture that
    // differs would make a right decoding look wrong.
    void capturesAreThoseTheTablesWereMadeFrom() {
        const QList<QStringList> captures = ReadTable("rmc-expected-captures.tsv");
        QVERIFY(captures.size() > 70);
        for (const QStringList& capture : captures) {
            const QByteArray bytes = ReadFile(CapturePath(capture[0]));
            QVERIFY2(!bytes.isEmpty(), qPrintable(CapturePath(capture[0]) + " is missing: run scripts/setup"));
            QVERIFY2(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() == capture[1],
                     qPrintable(capture[0] + " is not the capture the expected values were made from"));
        }
    }

    // In file order, as from one receiver; then the rows whose value lies half-way.
    void decodesTheReceiverCorpusAsExpected() {
        const QList<QStringList> rows = ReadTable("rmc-expected.tsv");
        const QList<QStringList> ties = ReadTable("rmc-expected-ties.tsv");
        QVERIFY(rows.size() > 900 && ties.size() > 300);
        Station s;
        s.recorder.SetHistoryEnabled(false); // decoding alone, a thousand times
        for (const QStringList& row : rows) {
            const QString sentence = SentenceOfRow(row);
            QVERIFY2(!sentence.isEmpty(), qPrintable(Place(row) + " holds no single sentence"));
            const QStringList expected = Expected(row.mid(2), s.recorder.CurrentFix());
            s.recorder.ProcessSentence(sentence);
            const QStringList actual = Texts(s.recorder.CurrentFix());
            QVERIFY2(actual == expected, qPrintable(Place(row) + " gave " + actual.join(' ')));
        }
        for (const QStringList& row : ties) {
            const QString sentence = SentenceOfRow(row);
            QVERIFY2(!sentence.isEmpty(), qPrintable(Place(row) + " holds no single sentence"));
            s.recorder.ProcessSentence(sentence);
            const PositionFix& fix = s.recorder.CurrentFix();
            const QString value = Exact(row[2] == "lat" ? fix.Latitude : fix.Longitude);
            QVERIFY2(value == Exact(row[3].toDouble()), qPrintable(row.join(' ')));
        }
    }

    // Each sentence follows SouthWest; "<keep>" is the value SouthWest left. Empty fields
    // and checksums in lower case are in the corpus.
    void decodesEdgeCases_data() {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QStringList>("expected"); // status lat ns lon ew speed course
        QTest::addColumn<bool>("recorded");
        const QString here = "GPRMC,1,A,2502.1234,N,12134.5678,E,";
        const QStringList moved = {"A", "25.03539", "N", "121.57613", "E"};
        const auto row = [](const char* name, const QString& body, const QStringList& expected,
                            bool recorded = true) {
            QTest::newRow(name) << Checksummed(body) << expected << recorded;
        };
        row("same position, other speed", "GPRMC,1,V,3854.5087,S,07726.4523,W,9.5,271.3,1",
            {Keep, Keep, Keep, Keep, Keep, "9.5", Keep}, false);
        row("latitude only", "GPRMC,1,V,3854.5099,S,07726.4523,W,3.5,271.3,1",
            {Keep, "38.90850", Keep, Keep, Keep, Keep, Keep});
        row("too few fields", "GPRMC,1,V,4916.45", {"V", "49.26674", Keep, Keep, Keep, Keep, Keep});
        row("letters, beyond a float", here + "12abc,1e39,1", moved + QStringList{Keep, Keep});
        row("blanks, sign, exponent", here + " 12.5 ,+2.5e1,1", moved + QStringList{"12.5", "25"});
        // Slices that are not whole: binary floating point would give 0.50003 and 1.58335.
        row("slices not whole", "GPRMC,1,A,.500.0015,N,1.55..0013,E,,,1",
            {"A", "0.50002", "N", "1.58336", "E", Keep, Keep});
        // The checksum of this sentence is 4A; a sentence that fails it changes nothing.
        const QString star = "$GPRMC,134512,A,2502.1234,N,12134.5678,E,10.5,123.4,180209,,,A*";
        const QStringList moving = moved + QStringList{"10.5", "123.4"};
        QTest::newRow("star without checksum") << star << moving << true;
        QTest::newRow("checksum mismatch") << star + "6B" << QStringList(7, Keep) << false;
        QTest::newRow("checksum in lower case") << star + "4a" << moving << true;
        QTest::newRow("checksum mismatch in lower case")
            << star + "6b" << QStringList(7, Keep) << false;
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

    // A recorded fix becomes the element after those a fetch left; opening the port
    // empties the track and makes 0, 0 the position to move from.
    void recordsFixesAfterTheTrackAndAfterOpening() {
        Station s;
        s.recorder.TrackRecords().Append(PositionFix{});
        s.recorder.TrackRecords().Append(PositionFix{});
        QVERIFY(s.recorder.ProcessSentence(SouthWest).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 3);
        QCOMPARE(s.recorder.TrackRecords().At(2), s.recorder.CurrentFix());
        s.recorder.ResetForOpening();
        QVERIFY(s.recorder.ProcessSentence(SouthWest).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 1);
        QVERIFY(s.recorder.ProcessSentence(Checksummed(NoFix)).Recorded);
        QVERIFY(!s.recorder.ProcessSentence(Checksummed(NoFix)).Recorded);
        s.recorder.ResetForOpening();
        QVERIFY(!s.recorder.ProcessSentence(Checksummed(NoFix)).Recorded);
        QCOMPARE(s.recorder.RecordCount(), 0);
    }

    void writesExactRecordBytes() {
        Station s;
        s.recorder.ProcessSentence(Checksummed(NoFix)); // records nothing
        QVERIFY(QFileInfo(s.Path("export")).isDir());
        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        s.recorder.ProcessSentence(Checksummed("GPRMC,1,V,0000.0006,S,07726.4523,W,12.34,271.3,1"));
        QVERIFY(s.recorder.ProcessSentence(Checksummed("GPRMC,1,V,,,,,,,,,,N")).Recorded);
        QCOMPARE(ReadFile(s.Path(February)),
                 Example + "2009/02/18 13:45:10|S|77.44087|W|0.00001|V|12.34|271.3\r\r\n"
                           "2009/02/18 13:45:10||0||0|V|12.34|271.3\r\r\n");
        // "|" and line ends in a received field would break the line apart.
        PositionFix fix = s.recorder.TrackRecords().At(0);
        fix.Status = "A|B\r\n";
        QCOMPARE(clsHistoryLog::RecordText(fix), QByteArray(Example).replace("|A|", "|AB|"));
    }

    // The clock is asked when a sentence is decoded, which stamps the fix, and again when
    // its record is written: the last second of January can stand in February's file.
    void namesTheFileByTheMonthOfWriting() {
        Station s({"2009-01-31 23:59:58.000", "2009-01-31 23:59:58.500", "2009-01-31 23:59:59.900",
                   "2009-02-01 00:00:00.100"});
        s.recorder.ProcessSentence(Moving);
        s.recorder.ProcessSentence(Checksummed("GPRMC,1,A,2502.1240,N,12134.5678,E,0.5,123.4,1"));
        QCOMPARE(ReadFile(s.Path("export/History-2009-01.log")),
                 "2009/01/31 23:59:58|N|121.57613|E|25.03539|A|0.5|123.4\r\r\n");
        QCOMPARE(ReadFile(s.Path(February)),
                 "2009/01/31 23:59:59|N|121.57613|E|25.0354|A|0.5|123.4\r\r\n");
    }

    // Root ignores permission bits, so the path itself is made unwritable. A log that
    // is a folder is told through the main window's test.
    void reportsAFailureAndStillRecords() {
        Station s;
        QVERIFY(WriteFile(s.Path("export"), "x"));
        const clsTrackRecorder::Result result = s.recorder.ProcessSentence(Moving);
        QVERIFY2(result.HistoryProblem.contains("export"), qPrintable(result.HistoryProblem));
        QVERIFY(result.Recorded);
        QCOMPARE(s.recorder.RecordCount(), 1);
    }

    // What a power cut or a full disk can leave after the whole records, or as the first
    // line of a month: the writer cuts a fragment that no CR ends off before the next
    // record. The folder exists as "Export": the writer must use the same file.
    void cutsATornRecordOff_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray records = "2009/02/18 13:45:08|N|1|E|2|A|0.5|1\r\r\n";
        const QByteArray whole = "2009/02/18 13:45:11|N|121.5|E|25|A|0.5|294.1";
        const QByteArray alien(70000, 'x');
        const auto row = [&](const char* name, const QByteArray& tail, const QByteArray& kept) {
            QTest::addRow("%s", name) << records << tail << kept;
            QTest::addRow("%s, the month's first line", name) << QByteArray() << tail << kept;
        };
        row("cut inside the last field", whole.chopped(2), QByteArray());
        row("ended by a line feed alone", whole + "\n", QByteArray());
        row("cut after the record's own CR", whole + "\r", whole + "\r");
        row("a long line the station did not write", alien, alien + "\r\n");
    }

    void cutsATornRecordOff() {
        QFETCH(QByteArray, records);
        QFETCH(QByteArray, tail);
        QFETCH(QByteArray, kept);
        Station s;
        const QString log = s.Path("Export/History-2009-02.log");
        QVERIFY(WriteFile(log, records + tail));
        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        QCOMPARE(ReadFile(log), records + kept + Example);
    }

    // A full disk takes part of a record: the file is cut back to its whole records, and
    // the next record follows them.
    void failedAppendLeavesTheFileAsItWas() {
        Station s;
        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        const QByteArray before = ReadFile(s.Path(February));
        clsTrackRecorder::Result result;
        {
            const FileSizeLimit full(before.size() + 20);
            result =
                s.recorder.ProcessSentence(Checksummed("GPRMC,1,A,2502.1240,N,12134.5678,E,1,2,1"));
        }
        QVERIFY(result.Recorded);
        QVERIFY2(result.HistoryProblem.contains("cannot be written"),
                 qPrintable(result.HistoryProblem));
        QCOMPARE(ReadFile(s.Path(February)), before);
        QCOMPARE(s.recorder.ProcessSentence(Checksummed("GPRMC,1,A,2502.1250,N,12134.5678,E,1,3,1"))
                     .HistoryProblem,
                 QString());
        QCOMPARE(ReadFile(s.Path(February)),
                 before + clsHistoryLog::RecordText(s.recorder.CurrentFix()));
    }

    // Each fix stands between two usual ones and next to a copy of itself, so that a code
    // that reaches the wrong entry of a table shows; the list shows the texts it always
    // has, made from the fix when the row is asked for.
    void compactTrackAndRows_data() {
        QTest::addColumn<PositionFix>("fix");
        QTest::addColumn<QString>("texts"); // column by column; "" when not looked at
        QTest::newRow("usual") << Usual
                               << "2|2009/02/18 13:45:10| Real time position|N 25\u00B0 02' "
                                  "07\" |E 121\u00B0 34' 34\" |123.4|10.5Knots";
        QTest::newRow("receiver warning, south and west")
            << PositionFix{"2009/02/18 13:45:11", "W", 77.44087, "S", 38.9085, 1234, 271.3f, "V"}
            << "2|2009/02/18 13:45:11| Last location|S 38\u00B0 54' 31\" |W 77\u00B0 26' 27\" "
               "|271.3|1,234  Knots";
        QTest::newRow("no fix: empty letters, zero position")
            << PositionFix{"2009/02/18 13:45:12", "", 0, "", 0, 0, 0, ""}
            << "2|2009/02/18 13:45:12| Last location|||0|0  Knots";
        QTest::newRow("empty time") << PositionFix{"", "E", 2, "N", 1, 0, 0, "A"} << "";
        QTest::newRow("time beyond the calendar")
            << PositionFix{"9999/99/99 99:99:99", "E", 2, "N", 1, 0, 0, "A"} << "";
        QTest::newRow("received letters of any kind")
            << PositionFix{"2009/02/18 13:45:10", "\u6771", 2, "n ", 1, -1.5f, 1e20f, "A|B"} << "";
        QTest::newRow("extreme numbers")
            << PositionFix{"2009/02/18 13:45:10", "E", DBL_MAX, "N", 1e-300, FLT_MAX, -0.0f, "A"}
            << "";
    }

    void compactTrackAndRows() {
        QFETCH(PositionFix, fix);
        QFETCH(QString, texts);
        clsTrackRecords track;
        for (const PositionFix& appended : {Usual, fix, fix, Usual}) {
            track.Append(appended);
        }
        QCOMPARE(track.Count(), 4);
        QCOMPARE(QList<PositionFix>({track.At(1), track.At(2), track.At(3)}),
                 QList<PositionFix>({fix, fix, Usual}));
        QCOMPARE(track.At(4), PositionFix{});  // the spare
        QCOMPARE(track.At(-1), PositionFix{}); // no such element
        clsDateViewModel rows(track);
        AddColumns(rows);
        rows.SetSpeedUnit("Knots");
        rows.AnnounceAppended();
        QVERIFY2(texts.isEmpty() || Shown(rows, 1) == texts, qPrintable(Shown(rows, 1)));
        QCOMPARE(QStringList({rows.RowKey(1), rows.ItemText(1), rows.SubItemText(1, "speed")}),
                 QStringList({"#1", "2", ""})); // keys are case-sensitive
        QCOMPARE(rows.SubItemText(1, "SPEED"), Shown(rows, 1).section('|', -1));
        track.Clear();
        track.Append(fix);
        QCOMPARE(track.Count(), 1);
        QCOMPARE(track.At(0), fix);
    }

    // The station's columns by key, header and width, and the record each row shows: row k
    // (from 0) shows record k, the "NO Date" row the spare; a row not listed, none.
    void stationColumnsAndTheRecordOfARow() {
        clsTrackRecords track;
        clsDateViewModel rows(track);
        rows.AddStationColumns(clsProfileText("[Track]\n0016=No.\n0023=Knots\n"));
        QStringList columns;
        for (const clsDateViewModel::Column& c : rows.Columns()) {
            columns << QStringLiteral("%1 %2 %3").arg(c.Key, c.Header).arg(c.Width);
        }
        QCOMPARE(columns, QStringList({"Index No. 800", "Date  2700", "CheckPoint  2700",
                                       "Latitude  1800", "LONGITUDE  1800", "Direction  1200",
                                       "SPEED Knots 1200"}));
        const auto recordOf = [&](int row) {
            const std::optional<qsizetype> record = rows.RecordOfRow(row);
            return record ? QString::number(*record) : QStringLiteral("none");
        };
        rows.ShowNoDate();
        QCOMPARE(QStringList({recordOf(0), recordOf(1)}), QStringList({"0", "none"}));
        for (int i = 0; i < 3; ++i) {
            track.Append(Usual);
        }
        rows.AnnounceAppended();
        QCOMPARE(QStringList({recordOf(-1), recordOf(0), recordOf(2), recordOf(3)}),
                 QStringList({"none", "0", "2", "none"}));
        track.Clear(); // rows not yet told: they show no record
        QCOMPARE(QStringList({recordOf(0), recordOf(1)}), QStringList({"0", "none"}));
    }

    // A fetch adds thousands of fixes between two announcements: one batch each. A fetch
    // that found nothing lists one row that reads "NO Date" in the "Date" column.
    void rowsFollowTheTrack() {
        clsTrackRecords track;
        clsDateViewModel rows(track);
        AddColumns(rows);
        QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 3000; ++i) {
            track.Append(Usual);
        }
        rows.AnnounceAppended();
        track.Append(Usual);
        rows.AnnounceAppended();
        rows.AnnounceAppended(); // nothing new
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(inserted[0].mid(1) + inserted[1].mid(1), QVariantList({0, 2999, 3000, 3000}));
        QCOMPARE(QStringList({rows.RowKey(3000), rows.RowKey(3001)}), QStringList({"#3000", ""}));

        track.Clear(); // a fetch without a single record
        rows.ShowNoDate();
        QCOMPARE(Shown(rows, 0), "1|NO Date|||||");
        QCOMPARE(QStringList({rows.RowKey(0), rows.SubItemText(0, "DialTime"),
                              rows.SubItemText(0, "Date"), rows.RowKey(1)}),
                 QStringList({"#0", "NO Date", "", ""}));

        track.Append(Usual); // the next fetch, announced without a reset
        rows.AnnounceAppended();
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(Shown(rows, 0).section('|', 1, 1), "2009/02/18 13:45:10");
    }
};

QTEST_GUILESS_MAIN(tst_TrackRecorder)
#include "tst_TrackRecorder.moc"
