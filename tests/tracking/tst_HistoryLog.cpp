// The monthly history log: its bytes, its month, its folder, its failures, and reading
// it back.

#include "DecoderTestSupport.h"
#include "tracking/clsHistoryReader.h"
#include "tracking/clsTrackRecorder.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

using namespace DecoderTestSupport;

namespace {

const QString Moving = WithChecksum("GPRMC,1,A,2502.1234,N,12134.5678,E,0.5,123.4,180209");
const QByteArray Example = "2009/02/18 13:45:10|N|121.57613|E|25.03539|A|0.5|123.4\r\r\n";
const QStringList Noon = {"2009-02-18 13:45:10.000"};

QList<QStringList> ReadAll(const QString& path) {
    clsHistoryReader reader;
    QList<QStringList> records;
    QStringList fields;
    for (bool more = reader.Open(path) && reader.Next(fields); more; more = reader.Next(fields)) {
        records.append(fields);
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
    void initTestCase();
    void init();
    void writesExactRecordBytes();
    void namesTheFileByTheMonthOfWriting();
    void createsTheMissingFolderWhateverItsCase();
    void reportsAFailureAndStillRecords_data();
    void reportsAFailureAndStillRecords();
    void readerSkipsEmptyAndPartialLines();
    void writtenRecordsReadBack();
    void recordAfterATornOneStaysWhole();

private:
    QString LogPath(const QString& folder = "export") const {
        return m_folder->filePath(folder + "/History-2009-02.log");
    }
    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_HistoryLog::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::German)); // the log's numbers use "." regardless
}

void tst_HistoryLog::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void tst_HistoryLog::writesExactRecordBytes() {
    clsTrackRecorder recorder(m_folder->path(), ListedClock(Noon));
    QVERIFY(recorder.ProcessSentence(Moving).History.Ok);
    recorder.ProcessSentence(WithChecksum("GPRMC,1,V,3854.5087,S,07726.4523,W,12.34,271.3,1"));
    QVERIFY(recorder.ProcessSentence(WithChecksum("GPRMC,1,V,,,,,,,,,,N")).Recorded);
    QCOMPARE(ReadBytes(LogPath()),
             Example + "2009/02/18 13:45:10|S|77.44087|W|38.90848|V|12.34|271.3\r\r\n"
                       "2009/02/18 13:45:10||0||0|V|12.34|271.3\r\r\n");
    // "|" and line ends in a received field would break the line apart.
    PositionFix fix = recorder.TrackRecords().at(0);
    fix.Status = "A|B\r\n";
    QCOMPARE(clsHistoryLog::RecordText(fix), QByteArray(Example).replace("|A|", "|AB|"));
}

void tst_HistoryLog::namesTheFileByTheMonthOfWriting() {
    // The clock is asked when a sentence is decoded and again when its record is
    // written: the last second of January can stand in February's file.
    clsTrackRecorder recorder(m_folder->path(),
                              ListedClock({"2009-01-31 23:59:58.000", "2009-01-31 23:59:58.500",
                                           "2009-01-31 23:59:59.900", "2009-02-01 00:00:00.100"}));
    recorder.ProcessSentence(Moving);
    recorder.ProcessSentence(WithChecksum("GPRMC,1,A,2502.1240,N,12134.5678,E,0.5,123.4,1"));
    const QList<QStringList> january = ReadAll(m_folder->filePath("export/History-2009-01.log"));
    const QList<QStringList> february = ReadAll(LogPath());
    QCOMPARE(january.size(), 1);
    QCOMPARE(january[0][0], "2009/01/31 23:59:58");
    QCOMPARE(february.size(), 1);
    QCOMPARE(february[0][0], "2009/01/31 23:59:59");
    QCOMPARE(february[0][4], "25.0354");
}

void tst_HistoryLog::createsTheMissingFolderWhateverItsCase() {
    clsTrackRecorder recorder(m_folder->path(), ListedClock(Noon));
    recorder.ProcessSentence(WithChecksum("GPRMC,1,V,,,,,,,1")); // checks, records nothing
    QVERIFY(QFileInfo(m_folder->filePath("export")).isDir());
    QVERIFY(QDir(m_folder->filePath("export")).removeRecursively());
    QVERIFY(QDir(m_folder->path()).mkdir("Export"));
    QVERIFY(recorder.ProcessSentence(Moving).History.Ok);
    QVERIFY(!QFileInfo::exists(m_folder->filePath("export")));
    QCOMPARE(ReadBytes(LogPath("Export")), Example);
    QCOMPARE(clsHistoryLog::PathForMonth(m_folder->path(), QDate(2009, 2, 1)), LogPath("Export"));
}

void tst_HistoryLog::reportsAFailureAndStillRecords_data() {
    QTest::addColumn<bool>("folderIsAFile");
    QTest::newRow("export is a file") << true;
    QTest::newRow("the log is a folder") << false;
}

void tst_HistoryLog::reportsAFailureAndStillRecords() {
    QFETCH(bool, folderIsAFile);
    // Root ignores permission bits, so the path itself is made unwritable.
    QVERIFY(folderIsAFile ? WriteBytes(m_folder->filePath("export"), "not a folder")
                          : QDir(m_folder->path()).mkpath(LogPath()));
    clsTrackRecorder recorder(m_folder->path(), ListedClock(Noon));
    const clsTrackRecorder::Result result = recorder.ProcessSentence(Moving);
    QVERIFY(!result.History.Ok);
    QVERIFY2(result.History.Message.contains("export"), qPrintable(result.History.Message));
    QVERIFY(result.Recorded);
    QCOMPARE(result.Row.Key, "#0");
    QCOMPARE(recorder.RecordCount(), 1);
    QCOMPARE(Exact(recorder.TrackRecords().at(0).Latitude), Exact(25.03539));
}

void tst_HistoryLog::readerSkipsEmptyAndPartialLines() {
    QVERIFY(QDir(m_folder->path()).mkdir("export"));
    QVERIFY(WriteBytes(LogPath(), "2009/02/18 13:45:10|N|1|E|2|A|0.5|1\r\r\n\r\n"
                                  "2009/02/18 13:45:11|N|3|E|4|V|0|2|extra\r"
                                  "2009/02/18 13:45:12|N|5|E|6|A|1\r\n"
                                  "2009/02/18 13:45:13|N|7|E|8|A|0|3\r\n"
                                  "2009/02/18 13:45:14|N|121.5"));
    const QList<QStringList> records = ReadAll(LogPath());
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[0], QStringList({"2009/02/18 13:45:10", "N", "1", "E", "2", "A", "0.5", "1"}));
    QCOMPARE(records[1], QStringList({"2009/02/18 13:45:11", "N", "3", "E", "4", "V", "0", "2"}));
    QCOMPARE(records[2][0], "2009/02/18 13:45:13");
    clsHistoryReader reader;
    QVERIFY(!reader.Open(m_folder->filePath("export/History-2009-03.log")));
    QVERIFY(!reader.ErrorText().isEmpty());
}

void tst_HistoryLog::writtenRecordsReadBack() {
    clsTrackRecorder recorder(m_folder->path(), ListedClock(Noon));
    for (const QString body : {"GPRMC,1,A,2502.1234,N,12134.5678,E,0.5,123.4,1",
                               "GPRMC,1,V,3854.5087,S,07726.4523,W,1234.5,0.05,1",
                               "GPRMC,1,A,0000.0006,N,00000.0003,E,0,359.9,1"}) {
        QVERIFY(recorder.ProcessSentence(WithChecksum(body)).History.Ok);
    }
    const QList<QStringList> records = ReadAll(LogPath());
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[2][4], "0.00001");
    for (int i = 0; i < records.size(); ++i) {
        const PositionFix& fix = recorder.TrackRecords().at(i);
        const QStringList& r = records[i];
        QCOMPARE(QStringList({r[0], r[1], r[3], r[5]}),
                 QStringList({fix.FixTime, fix.NorthSouth, fix.EastWest, fix.Status}));
        QCOMPARE(Exact(r[2].toDouble()), Exact(fix.Longitude));
        QCOMPARE(Exact(r[4].toDouble()), Exact(fix.Latitude));
        QCOMPARE(r[6].toFloat(), fix.Speed);
        QCOMPARE(r[7].toFloat(), fix.Direction);
    }
}

void tst_HistoryLog::recordAfterATornOneStaysWhole() {
    QVERIFY(QDir(m_folder->path()).mkdir("export"));
    QVERIFY(
        WriteBytes(LogPath(), "2009/02/18 13:45:09|N|1|E|2|A|0|1\r\r\n2009/02/18 13:45:10|N|12"));
    clsTrackRecorder recorder(m_folder->path(), ListedClock(Noon));
    QVERIFY(recorder.ProcessSentence(Moving).History.Ok);
    const QList<QStringList> records = ReadAll(LogPath());
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[1].join('|').toLatin1() + "\r\r\n", Example);
}

QTEST_GUILESS_MAIN(tst_HistoryLog)
#include "tst_HistoryLog.moc"
