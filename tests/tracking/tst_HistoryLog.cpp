// The monthly history log: its bytes, its month, its folder, its failures, and reading
// it back.

#include "tracking/DecoderTestSupport.h"
#include "tracking/clsHistoryReader.h"

#include <QDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const QString Moving = WithChecksum("GPRMC,1,A,2502.1234,N,12134.5678,E,0.5,123.4,180209");
const QByteArray Example = "2009/02/18 13:45:10|N|121.57613|E|25.03539|A|0.5|123.4\r\r\n";
const QString February = "export/History-2009-02.log";

// Every record the reader finds, written again as the writer writes it.
QList<QByteArray> ReadAll(const QString& path) {
    clsHistoryReader reader;
    QList<QByteArray> records;
    QByteArrayView line;
    clsHistoryReader::Record record;
    for (bool more = reader.Open(path) && reader.NextLine(line); more;
         more = reader.NextLine(line)) {
        if (clsHistoryReader::Fill(line, record)) {
            records.append(clsHistoryLog::RecordText(record.ToFix()));
        }
    }
    return records;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_HistoryLog : public QObject {
    Q_OBJECT

private slots:
    void writesExactRecordBytes() {
        Station s;
        s.recorder.ProcessSentence(WithChecksum("GPRMC,1,V,,,,,,,1")); // records nothing
        QVERIFY(QFileInfo(s.Path("export")).isDir());
        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        s.recorder.ProcessSentence(
            WithChecksum("GPRMC,1,V,0000.0006,S,07726.4523,W,12.34,271.3,1"));
        QVERIFY(s.recorder.ProcessSentence(WithChecksum("GPRMC,1,V,,,,,,,,,,N")).Recorded);
        QCOMPARE(ReadBytes(s.Path(February)),
                 Example + "2009/02/18 13:45:10|S|77.44087|W|0.00001|V|12.34|271.3\r\r\n"
                           "2009/02/18 13:45:10||0||0|V|12.34|271.3\r\r\n");
        // "|" and line ends in a received field would break the line apart.
        PositionFix fix = s.recorder.TrackRecords().At(0);
        fix.Status = "A|B\r\n";
        QCOMPARE(clsHistoryLog::RecordText(fix), QByteArray(Example).replace("|A|", "|AB|"));
    }

    void namesTheFileByTheMonthOfWriting() {
        // The clock is asked when a sentence is decoded and again when its record is
        // written: the last second of January can stand in February's file.
        Station s({"2009-01-31 23:59:58.000", "2009-01-31 23:59:58.500", "2009-01-31 23:59:59.900",
                   "2009-02-01 00:00:00.100"});
        s.recorder.ProcessSentence(Moving);
        s.recorder.ProcessSentence(WithChecksum("GPRMC,1,A,2502.1240,N,12134.5678,E,0.5,123.4,1"));
        QCOMPARE(ReadBytes(s.Path("export/History-2009-01.log")),
                 "2009/01/31 23:59:58|N|121.57613|E|25.03539|A|0.5|123.4\r\r\n");
        QCOMPARE(ReadBytes(s.Path(February)),
                 "2009/01/31 23:59:59|N|121.57613|E|25.0354|A|0.5|123.4\r\r\n");
    }

    void reportsAFailureAndStillRecords_data() {
        QTest::addColumn<bool>("folderIsAFile");
        QTest::newRow("export is a file") << true;
        QTest::newRow("the log is a folder") << false;
    }

    void reportsAFailureAndStillRecords() {
        QFETCH(bool, folderIsAFile);
        Station s;
        // Root ignores permission bits, so the path itself is made unwritable.
        QVERIFY(folderIsAFile ? WriteBytes(s.Path("export"), "x")
                              : QDir().mkpath(s.Path(February)));
        const clsTrackRecorder::Result result = s.recorder.ProcessSentence(Moving);
        QVERIFY2(result.HistoryProblem.contains("export"), qPrintable(result.HistoryProblem));
        QVERIFY(result.Recorded);
        QCOMPARE(s.recorder.RecordCount(), 1);
    }

    // Lines that cross the ends of the reader's reads, line ends split between two
    // reads, and lines too long for the buffer.
    void readerFindsTheSameLinesWhateverItsBufferSize() {
        Station s;
        const QByteArray log = "first\r\r\nsecond\rthird\r\n\r\nline\nfeed inside\r" +
                               QByteArray(40, 'x') + "\r\ntorn";
        QVERIFY(WriteBytes(s.Path("log"), log));
        const QList<QByteArray> all = {
            "first", "", "second", "third", "", "line\nfeed inside", QByteArray(40, 'x')};
        for (qsizetype size = 1; size <= 48; ++size) {
            QList<QByteArray> expected;
            std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                         [&](const QByteArray& line) { return line.size() < size; });
            clsHistoryReader reader(size);
            QVERIFY(reader.Open(s.Path("log")));
            QList<QByteArray> lines;
            for (QByteArrayView line; reader.NextLine(line);) {
                lines.append(line.toByteArray());
            }
            QCOMPARE(lines, expected);
            QCOMPARE(reader.BytesRead(), log.size());
        }
    }

    // What a power cut or a full disk can leave after two whole records: a last line that
    // no line end closes is never a record, and the writer cuts such a fragment off before
    // the next record. The folder exists as "Export": the writer must use the same file.
    void readsOnlyEndedRecords_data() {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("isRecord");
        QTest::addColumn<bool>("staysBeforeTheNext");
        const QByteArray whole = "2009/02/18 13:45:11|N|121.5|E|25|A|0.5|294.1";
        QTest::newRow("cut inside the last field") << whole.chopped(2) << false << false;
        QTest::newRow("ended by a line feed alone") << whole + "\n" << false << false;
        QTest::newRow("cut after the record's own CR") << whole + "\r" << true << true;
        QTest::newRow("a long line the station did not write")
            << QByteArray(70000, 'x') << false << true;
    }

    void readsOnlyEndedRecords() {
        QFETCH(QByteArray, tail);
        QFETCH(bool, isRecord);
        QFETCH(bool, staysBeforeTheNext);
        Station s;
        const QString log = s.Path("Export/History-2009-02.log");
        QVERIFY(QDir(s.folder.path()).mkdir("Export"));
        const QByteArray records = "2009/02/18 13:45:08|N|1|E|2|A|0.5|1\r\r\n"
                                   "2009/02/18 13:45:09|N|3|E|4|V|0|2|extra\r";
        QVERIFY(WriteBytes(log, records + tail));
        QList<QByteArray> read = ReadAll(log);
        QCOMPARE(read.size(), isRecord ? 3 : 2);
        QCOMPARE(read[1], "2009/02/18 13:45:09|N|3|E|4|V|0|2\r\r\n");

        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        const QByteArray kept = staysBeforeTheNext ? tail : QByteArray();
        const QByteArray newLine = tail.endsWith('\r') || !staysBeforeTheNext ? "" : "\r\n";
        QCOMPARE(ReadBytes(log), records + kept + newLine + Example);
        read = ReadAll(log);
        QCOMPARE(read.size(), isRecord ? 4 : 3);
        QCOMPARE(read.last(), Example);
    }

    // A full disk takes part of a record: the file is cut back to its whole records, and
    // the next record follows them.
    void failedAppendLeavesTheFileAsItWas() {
        Station s;
        QCOMPARE(s.recorder.ProcessSentence(Moving).HistoryProblem, QString());
        const QByteArray before = ReadBytes(s.Path(February));
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending us
        rlimit unlimited{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        rlimit tight = unlimited;
        tight.rlim_cur = before.size() + 20;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const clsTrackRecorder::Result result =
            s.recorder.ProcessSentence(WithChecksum("GPRMC,1,A,2502.1240,N,12134.5678,E,1,2,1"));
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
        QVERIFY(result.Recorded);
        QVERIFY2(result.HistoryProblem.contains("cannot be written"),
                 qPrintable(result.HistoryProblem));
        QCOMPARE(ReadBytes(s.Path(February)), before);

        QCOMPARE(
            s.recorder.ProcessSentence(WithChecksum("GPRMC,1,A,2502.1250,N,12134.5678,E,1,3,1"))
                .HistoryProblem,
            QString());
        const QList<QByteArray> read = ReadAll(s.Path(February));
        QCOMPARE(read.size(), 2);
        QVERIFY(read[1].endsWith("|3\r\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_HistoryLog)
#include "tst_HistoryLog.moc"
