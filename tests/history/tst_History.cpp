// Reading history logs line by line, fetching a day's track from them in the station's
// record format, playing a track back, exporting it (the two navigation formats byte for
// byte against files written by hand, GPX and KML checked by their schemas and read back by
// GPSBabel, CSV read back field by field).

#include "history/TestDays.h"
#include "history/clsExportChoice.h"
#include "history/clsHistoryFetch.h"
#include "history/clsHistoryReader.h"
#include "history/clsTrackExport.h"
#include "history/clsTrackPlayer.h"
#include "shell/TestFiles.h"
#include "tracking/clsHistoryLog.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <optional>

namespace {

const QString Data = QStringLiteral(STATION_TEST_DATA);
const QString WholeDay = "00|00|24|00|0|999"; // any speed

// A record of February 2009 at "dd hh:mm:ss" with a speed and status.
QByteArray R(const char* when, const char* speed = "1", const char* status = "A") {
    return QByteArray("2009/02/") + when + "|N|121.5|E|25.5|" + status + "|" + speed + "|90";
}

// Lines as the writer ends them: CR, then CR LF.
QByteArray Log(const QByteArrayList& lines) {
    return lines.join("\r\r\n") + "\r\r\n";
}

using AfterSlice = std::function<void(clsHistoryFetch& fetch, qint64 bytesRead, qint64 size)>;

// The records of 18 February that a fetch keeps, as the writer writes them without line
// end. query: start hour, minute, end hour, minute, lowest and highest speed, joined by "|".
// stoppedBefore: the fetch is asked to stop before it runs.
QByteArrayList Fetch(
    const QString& folder, const QString& query, int sliceMilliseconds = 8,
    const AfterSlice& afterSlice = [](clsHistoryFetch&, qint64, qint64) {},
    bool stoppedBefore = false, qsizetype* damaged = nullptr) {
    const QStringList q = query.split('|');
    clsTrackRecords records;
    records.Append({}); // a fetch starts afresh
    clsHistoryFetch fetch(folder, {QDate(2009, 2, 18), q[0], q[1], q[2], q[3], q[4], q[5]});
    if (stoppedBefore) {
        fetch.Stop();
    }
    fetch.Run(
        records, [&](qint64 bytesRead, qint64 size) { afterSlice(fetch, bytesRead, size); },
        sliceMilliseconds);
    if (damaged != nullptr) {
        *damaged = fetch.DamagedLines();
    }
    QByteArrayList texts;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        texts.append(clsHistoryLog::RecordText(records.At(i)).chopped(3));
    }
    return texts;
}

struct Query {
    QByteArray Log;
    QString Terms; // the query as Fetch takes it
    QByteArrayList Kept;
    QString Name; // where the log lies
    qsizetype Damaged = 0;
};

// A track of tests/data/export/tracks.tsv; a name it lacks is an empty track.
clsTrackRecords Track(const QString& name) {
    clsTrackRecords records;
    for (const QByteArray& line : ReadFile(Data + "/export/tracks.tsv").split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f[0] == name.toLatin1()) {
            records.Append({f[1], f[5], f[4].toDouble(), f[3], f[2].toDouble(), f[6].toFloat(),
                            f[7].toFloat(), "A"});
        }
    }
    return records;
}

// Runs a tool; its standard output, or nothing when it failed.
std::optional<QByteArray> Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning().noquote() << program << process.errorString() << process.readAllStandardError();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// The fields of each line of a CSV text (quoted fields with doubled quotes, lines ended
// by CR LF).
QList<QStringList> CsvRows(const QByteArray& csv) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    const QString text = QString::fromUtf8(csv);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += c;
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << field;
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows << (row << field);
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Playing a track back.

// A player over count records whose window records what the player asks of it, and acts
// by OnShow when a record is shown.
struct Playback {
    using Act = std::function<void(Playback&, qsizetype index)>;
    clsTrackRecords Records;
    QStringList Calls;
    double Pause = 0;
    Act OnShow;
    clsTrackPlayer Player;

    explicit Playback(int count)
        : Player(Records, {[this] { Calls << "events"; },
                           [this](qsizetype row) { Calls << QString("select %1").arg(row); },
                           [this](qsizetype index) {
                               Calls << QString("show %1").arg(index);
                               if (OnShow) {
                                   OnShow(*this, index);
                               }
                           },
                           [this] { Calls << "track"; }, [this] { return Pause; },
                           [this](bool playing) { Calls << (playing ? "playing" : "stopped"); },
                           [this](const QString& message) { Calls << "error " + message; }}) {
        for (int i = 0; i < count; ++i) {
            Records.Append({});
        }
    }
};

// The calls of whole steps that show the records.
QString Steps(const QList<int>& shown) {
    QStringList calls;
    for (const int index : shown) {
        calls << QString("events, select %1, show %1, track").arg(index);
    }
    return calls.join(", ");
}

// A playback from start to end.
QString Played(const QList<int>& shown) {
    return QStringList({"playing", Steps(shown), "stopped"}).join(", ").replace(", , ", ", ");
}

struct Scene {
    int Count;
    qsizetype SelectedRow;
    double Step;
    QString Calls; // joined by ", "
    double Pause = 0;
    Playback::Act OnShow = {};
};

} // namespace

Q_DECLARE_METATYPE(Query)
Q_DECLARE_METATYPE(clsTrackRecords)
Q_DECLARE_METATYPE(Scene)

class tst_History : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    // Lines that cross the ends of the reader's reads, line ends split between two
    // reads, lines too long for the buffer, and a last line that no CR ends.
    void readerFindsTheSameLinesWhateverItsBufferSize() {
        QTemporaryDir s;
        const QByteArray log = "first\r\r\nsecond\rthird\r\n\r\nline\nfeed inside\r" +
                               QByteArray(40, 'x') + "\r\ntorn\n";
        QVERIFY(WriteFile(s.filePath("log"), log));
        const QList<QByteArray> all = {
            "first", "", "second", "third", "", "line\nfeed inside", QByteArray(40, 'x')};
        for (qsizetype size = 1; size <= 48; ++size) {
            QList<QByteArray> expected;
            std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                         [&](const QByteArray& line) { return line.size() < size; });
            clsHistoryReader reader(size);
            QVERIFY(reader.Open(s.filePath("log")));
            QList<QByteArray> lines;
            for (QByteArrayView line; reader.NextLine(line);) {
                lines.append(line.toByteArray());
            }
            QCOMPARE(lines, expected);
            QCOMPARE(reader.BytesRead(), log.size());
        }
    }

    void fetchKeepsTheRecordsOfTheQuery_data() {
        QTest::addColumn<Query>("query");
        const auto row = [](const char* name, const QByteArray& log, const QByteArrayList& kept,
                            const QString& query = WholeDay,
                            const QString& file = "export/History-2009-02.log",
                            qsizetype damaged = 0) {
            QTest::newRow(name) << Query{log, query, kept, file, damaged};
        };
        const auto damaged = [&](const char* name, const QByteArray& log,
                                 const QByteArrayList& kept, qsizetype count,
                                 const QString& query = WholeDay) {
            row(name, log, kept, query, "export/History-2009-02.log", count);
        };
        row("whole day and no other",
            Log({R("17 23:59:59"), R("18 00:00:00"), R("18 23:59:59"), R("19 00:00:00")}),
            {R("18 00:00:00"), R("18 23:59:59")});
        row("both ends of the window",
            Log({R("18 10:19:59"), R("18 10:20:00"), R("18 10:40:00"), R("18 10:40:01")}),
            {R("18 10:20:00"), R("18 10:40:00")}, "10|20|10|40|0|999");
        row("end before start", Log({R("18 11:30:00")}), {}, "12|00|11|00|0|999");
        row("speed texts read by their leading number",
            Log({R("18 10:00:00", "11.9"), R("18 10:00:01", "12"), R("18 10:00:02", "20"),
                 R("18 10:00:03", "20.1")}),
            {R("18 10:00:01", "12"), R("18 10:00:02", "20")}, "00|00|24|00|12abc| 20 knots");
        // Speeds are stored as 32-bit floats, in which 0.7 lies below the 64-bit 0.7 and
        // 12.3 above the 64-bit 12.3: a bound typed as a stored speed is that very speed.
        row("bounds typed as stored speeds",
            Log({R("18 10:00:00", "0.69"), R("18 10:00:01", "0.7"), R("18 10:00:02", "12.3"),
                 R("18 10:00:03", "12.31")}),
            {R("18 10:00:01", "0.7"), R("18 10:00:02", "12.3")}, "00|00|24|00|0.7|12.3");
        row("empty highest speed keeps standing still",
            Log({R("18 10:00:00", "0"), R("18 10:00:01", "0.1")}), {R("18 10:00:00", "0")},
            "00|00|24|00||");
        row("empty lines skipped, warnings kept",
            "\r\n" + Log({"", R("18 10:00:00", "1", "V"), ""}), {R("18 10:00:00", "1", "V")});
        damaged("short line damaged, torn last line never read",
                Log({"2009/02/18 10:00:00|N|1|E|2|A|3", R("18 10:00:01")}) + R("18 10:00:02"),
                {R("18 10:00:01")}, 1);
        // Each line but the last cannot read one of its fields; the line before each is left
        // out by the speed range, so a damaged line had its values at hand.
        const QByteArray slow = "2009/02/18 09:00:00|N|1.5|E|2.5|A|0.5|45";
        damaged(
            "a damaged field of each kind is no record",
            Log({slow, "2009/02/30 10:00:00|N|1|E|2|A|7|45", slow,
                 "2009/02/18 10:00:01|N|abc|E|2|A|7|45", slow, "2009/02/18 10:00:02|N|1|E||A|7|45",
                 slow, "2009/02/18 10:00:03|N|1|E|2|A|7 kn|45", slow,
                 "2009/02/18 10:00:04|N|1|E|2|A|7|1,5", slow, "yesterday|N|1|E|2|A|7|45",
                 "2009/02/18 10:00:05|N|?|E|5|A|1e0|2", "2009/02/18 10:00:06|N|3|E|4|A|8|90"}),
            {"2009/02/18 10:00:06|N|3|E|4|A|8|90"}, 7, "00|00|24|00|1|999");
        damaged("a good line after a damaged one reads as itself",
                Log({R("18 10:00:05", "100"), R("30 10:00:00", "5"), R("18 10:00:06", "6")}),
                {R("18 10:00:06", "6")}, 1, "00|00|24|00|0|50");
        // Damaged lines of other days are not this fetch's, whatever they hold.
        damaged("a month of other days around a damaged line",
                Log(QByteArrayList(30'000, R("17 12:00:00")) +
                    QByteArrayList{"2009/02/17 23:59:59|N|?|E|9.5|A|1|1",
                                   "2009/02/18 00:00:00|N|x|E|y|A|1|1", R("18 00:00:01"),
                                   "2009/02/19 00:00:00|N|1|E|2|A|x|1"}),
                {R("18 00:00:01")}, 1);
        damaged("damaged outside the time window",
                Log({"2009/02/18 09:00:00|N|?|E|1|A|1|1", "2009-2-18 9:30|N|1|E|2|A|?|0",
                     "2009-2-18 10:30|N|1|E|2|A|?|0", R("18 10:20:00")}),
                {R("18 10:20:00")}, 1, "10|00|11|00|0|999");
        row("times written otherwise",
            Log({"2009-2-18 9:05|N|1|E|2|A|0|0", " 2009/02/18  09:05:04 |N|1|E|2|A|0|0",
                 "2009/02/18|N|1|E|2|A|0|0"}),
            {"2009/02/18 09:05:00|N|1|E|2|A|0|0", "2009/02/18 09:05:04|N|1|E|2|A|0|0",
             "2009/02/18 00:00:00|N|1|E|2|A|0|0"});
        // The month's log is found without regard to case (a log that cannot be read is told
        // through the main window's test).
        const QByteArray one = Log({R("18 10:00:00")});
        row("log in capitals", one, {R("18 10:00:00")}, WholeDay, "EXPORT/HISTORY-2009-02.LOG");
        row("log of another month only", one, {}, WholeDay, "export/History-2009-03.log");
    }

    void fetchKeepsTheRecordsOfTheQuery() {
        QFETCH(Query, query);
        QTemporaryDir folder;
        QVERIFY(WriteFile(folder.filePath(query.Name), query.Log));
        qsizetype damaged = -1;
        QCOMPARE(Fetch(
                     folder.path(), query.Terms, 8, [](clsHistoryFetch&, qint64, qint64) {}, false,
                     &damaged),
                 query.Kept);
        QCOMPARE(damaged, query.Damaged);
    }

    // The window lets events run after every slice; a stop pressed there ends the fetch
    // with what it has gathered. Slices of 0 ms read as few lines as the fetch allows.
    void fetchStoppedKeepsWhatWasGathered() {
        QByteArrayList lines;
        for (int i = 0; i < 3000; ++i) {
            lines.append(R(qPrintable(QTime(10, 0).addSecs(i).toString("18 HH:mm:ss"))));
        }
        QTemporaryDir folder;
        QVERIFY(WriteFile(folder.filePath("export/History-2009-02.log"), Log(lines)));
        QList<qint64> progress;
        const auto stopInTheSecond = [&](clsHistoryFetch& fetch, qint64 bytesRead, qint64 size) {
            progress.append(size - bytesRead);
            if (progress.size() >= 2) {
                fetch.Stop(); // stop pressed in the second slice
            }
        };
        // A stop asked before the fetch runs does not count.
        const QByteArrayList kept = Fetch(folder.path(), WholeDay, 0, stopInTheSecond, true);
        QCOMPARE(progress.size(), 2);
        QVERIFY(progress[0] > progress[1] && progress[1] > 0);
        QVERIFY(!kept.isEmpty() && kept.size() < lines.size());
        QCOMPARE(kept, lines.first(kept.size()));
    }

    void exportWritesTheNavigationFormats_data() {
        QTest::addColumn<QString>("track");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("expected");
        for (const char* track : {"one-day", "below-ten", "south-west", "empty"}) {
            QTest::addRow("%s, PaPaGO!", track) << track << 1 << QString("%1.txt").arg(track);
            QTest::addRow("%s, MapSource", track) << track << 2 << QString("%1.trk").arg(track);
        }
        QTest::newRow("two days, MapSource") << "two-days" << 2 << "two-days.trk";
        QTest::newRow("no such format") << "one-day" << 0 << "empty.trk";
        QTest::newRow("format past the last entry")
            << "one-day" << clsTrackExport::FormatCount() + 1 << "empty.trk";
    }

    void exportWritesTheNavigationFormats() {
        QFETCH(QString, track);
        QFETCH(int, format);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("my track");
        clsTrackExport(dir.path()).ExportTrack(path, format, Track(track));
        QCOMPARE(ReadFile(path), ReadFile(Data + "/export/" + expected));
        QCOMPARE(Entries(dir), QStringList{"my track"});
    }

    void exportWritesGpxThatOtherProgramsRead_data() {
        QTest::addColumn<QString>("track");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<int>("segments");
        QTest::newRow("days and clock changes")
            << "clock-changes" << QStringList{"25.034568,121.534568,2009/02/18,09:20:30",
                                              "-33.868800,151.209300,2009/02/18,22:59:59",
                                              "40.712800,-74.006000,2009/02/18,23:30:00",
                                              "48.100000,11.500000,2009/07/18,08:20:30",
                                              "52.500000,13.400000,2023/10/29,00:30:00",
                                              "52.500000,13.400000,2023/03/26,01:30:00"}
            << 5;
        QTest::newRow("empty track") << "empty" << QStringList{} << 0;
    }

    void exportWritesGpxThatOtherProgramsRead() {
        QFETCH(QString, track);
        QFETCH(QStringList, points);
        QFETCH(int, segments);
        QTemporaryDir dir;
        const QString path = dir.filePath("track.gpx");
        clsTrackExport(dir.path()).ExportTrack(path, clsTrackExport::Gpx, Track(track));
        QVERIFY2(QFileInfo::exists(STATION_GPX_SCHEMA),
                 STATION_GPX_SCHEMA " is missing: run scripts/setup");
        QVERIFY(Run("xmllint", {"--noout", "--schema", STATION_GPX_SCHEMA, path}));
        const std::optional<QByteArray> csv =
            Run("gpsbabel", {"-t", "-i", "gpx", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
        QVERIFY(csv);
        QStringList read = QString::fromUtf8(*csv).split('\n', Qt::SkipEmptyParts).mid(1);
        for (QString& line : read) {
            line = line.trimmed().section(',', 1); // without the point's number
        }
        QCOMPARE(read, points);
        const QByteArray gpx = ReadFile(path);
        QCOMPARE(gpx.count("<trkseg>"), segments);
        // 10 knots and 45 degrees in Garmin's track point extension.
        QCOMPARE(gpx.contains("<gpxtpx:speed>5.144444</gpxtpx:speed>"
                              "<gpxtpx:course>45</gpxtpx:course>"),
                 segments > 0);
    }

    // A time that is not one may hold any character: the track is named after the readable
    // times, and the file stays well-formed XML in both formats that carry the name.
    void exportNamesTheTrackByItsReadableTimes() {
        clsTrackRecords records;
        records.Append({QString::fromLatin1("\x01\x00", 2), "E", 121.5, "N", 25.0, 1, 2, "A"});
        records.Append({"2009/02/18 09:20:30", "E", 121.5, "N", 25.0, 1, 2, "A"});
        QTemporaryDir dir;
        for (const int format : {int(clsTrackExport::Gpx), int(clsTrackExport::Kml)}) {
            const QString path = dir.filePath("track");
            clsTrackExport(dir.path()).ExportTrack(path, format, records);
            QXmlStreamReader xml(ReadFile(path));
            QStringList names;
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"name") {
                    names << xml.readElementText();
                }
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QCOMPARE(names.value(0), "2009/02/18");
        }
    }

    // The track as one line through every valid fix, in order, and a point per stop.
    void exportWritesKmlThatOtherProgramsRead_data() {
        QTest::addColumn<clsTrackRecords>("track");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QStringList>("stops");
        QTest::newRow("both hemispheres")
            << Track("clock-changes")
            << QStringList{"25.034568,121.534568", "-33.868800,151.209300", "40.712800,-74.006000",
                           "48.100000,11.500000",  "52.500000,13.400000",   "52.500000,13.400000"}
            << QStringList{};
        // The record without a position and the void fix far away are left out.
        const clsTrackRecords parked = TestDays::DriveParkDrive();
        QStringList points;
        for (qsizetype i = 0; i < parked.Count(); ++i) {
            const PositionFix fix = parked.At(i);
            if (i != 31 && i != 32) {
                points << QString::asprintf("%.6f,%.6f", fix.Latitude, fix.Longitude);
            }
        }
        QCOMPARE(points.size(), 92);
        QTest::newRow("drive, park, drive")
            << parked << points
            << QStringList{"25.055518,121.500000,\"Stop 1\",\"2009/02/18 10:10:00 - "
                           "2009/02/18 10:30:00 (20 min)\""};
        QTest::newRow("empty track") << clsTrackRecords() << QStringList{} << QStringList{};
    }

    void exportWritesKmlThatOtherProgramsRead() {
        QFETCH(clsTrackRecords, track);
        QFETCH(QStringList, points);
        QFETCH(QStringList, stops);
        QTemporaryDir dir;
        const QString path = dir.filePath("track.kml");
        clsTrackExport(dir.path()).ExportTrack(path, clsTrackExport::Kml, track);
        QVERIFY2(QFileInfo::exists(STATION_KML_SCHEMA),
                 STATION_KML_SCHEMA " is missing: run scripts/setup");
        QVERIFY(Run("xmllint", {"--noout", "--schema", STATION_KML_SCHEMA, path}));
        const auto read = [&](const QString& kind) {
            const std::optional<QByteArray> csv =
                Run("gpsbabel", {kind, "-i", "kml", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
            QStringList lines = csv ? QString::fromUtf8(*csv).split('\n', Qt::SkipEmptyParts).mid(1)
                                    : QStringList{"gpsbabel failed"};
            for (QString& line : lines) {
                line = line.trimmed().section(',', 1); // without the point's number
            }
            return lines;
        };
        QCOMPARE(read("-t"), points);
        QCOMPARE(read("-w"), stops);
    }

    // One line per record with every field, read back field by field, and by GPSBabel.
    void exportWritesCsv() {
        clsTrackRecords track = Track("clock-changes");
        PositionFix odd = track.At(0);
        odd.Status = "V \"odd\", really";
        odd.FixTime = "not a time";
        track.Append(odd);
        QTemporaryDir dir;
        const QString path = dir.filePath("track.csv");
        clsTrackExport(dir.path()).ExportTrack(path, clsTrackExport::Csv, track);
        const QByteArray csv = ReadFile(path);
        QVERIFY(csv.endsWith("\r\n"));
        const QList<QStringList> expected = {
            {"time_local", "time_utc", "latitude", "longitude", "speed_kn", "course", "status"},
            {"2009-02-18T10:20:30+01:00", "2009-02-18T09:20:30Z", "25.0345678", "121.5345678", "10",
             "45", "A"},
            {"2009-02-18T23:59:59+01:00", "2009-02-18T22:59:59Z", "-33.8688", "151.2093", "0", "0",
             "A"},
            {"2009-02-19T00:30:00+01:00", "2009-02-18T23:30:00Z", "40.7128", "-74.006", "0", "0",
             "A"},
            {"2009-07-18T10:20:30+02:00", "2009-07-18T08:20:30Z", "48.1", "11.5", "0", "0", "A"},
            // The repeated hour: the earlier instant; the skipped one: the offset before.
            {"2023-10-29T02:30:00+02:00", "2023-10-29T00:30:00Z", "52.5", "13.4", "0", "0", "A"},
            {"2023-03-26T02:30:00+01:00", "2023-03-26T01:30:00Z", "52.5", "13.4", "0", "0", "A"},
            {"", "", "25.0345678", "121.5345678", "10", "45", "V \"odd\", really"},
        };
        QCOMPARE(CsvRows(csv), expected);
        const std::optional<QByteArray> read =
            Run("gpsbabel", {"-i", "unicsv,utc=0", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
        QVERIFY(read);
        const QStringList lines = QString::fromUtf8(*read).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), expected.size());
        QVERIFY2(lines[1].contains("25.034568,121.534568") && lines[1].contains("09:20:30"),
                 qPrintable(lines[1]));
        QVERIFY2(lines[3].contains("40.712800,-74.006000"), qPrintable(lines[3]));
    }

    // A failed write is reported with the file's name, and whatever stood under the
    // chosen name stays as it was.
    void exportFailureLeavesTheFolderAsItWas_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("fileSizeLimit"); // bytes, 0 for none
        QTest::newRow("name of a folder") << "folder" << 0;
        QTest::newRow("disk full half way") << "file" << 100;
    }

    void exportFailureLeavesTheFolderAsItWas() {
        QFETCH(QString, name);
        QFETCH(int, fileSizeLimit);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("file"), "earlier track\r\n") &&
                QDir(dir.path()).mkdir("folder"));
        const QString path = dir.filePath(name);
        const QString message = ErrorOf([&] {
            const FileSizeLimit limit(fileSizeLimit);
            clsTrackExport(dir.path()).ExportTrack(path, 2, Track("two-days"));
        });
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QCOMPARE(Entries(dir), QStringList({"file", "folder"}));
        QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
        QCOMPARE(ReadFile(dir.filePath("file")), "earlier track\r\n");
    }

    // Every file type chosen with every name: the format of a known extension is written
    // under it, the question comes when the name's and the type's formats differ, and a
    // name without an extension is given the type's.
    void exportChoice_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("byDefault"); // "name|format" written without a question
        QTest::addColumn<QString>("byEntry");   // the other answer to the question; "": none
        const auto row = [](const QString& name, const QString& chosen, int entry,
                            const QString& byDefault, const QString& byEntry = {}) {
            QTest::addRow("%s, %s", qPrintable(name), qPrintable(chosen))
                << name << entry << byDefault << byEntry;
        };
        for (int entry = 1; entry <= clsTrackExport::FormatCount(); ++entry) {
            const QString type = clsTrackExport::FormatText(entry);
            const QString own = "/t/day." + clsTrackExport::Suffix(entry);
            for (int format = 1; format <= clsTrackExport::FormatCount(); ++format) {
                const QString name = "/t/day." + clsTrackExport::Suffix(format);
                row(name, type, entry, QString("%1|%2").arg(name).arg(format),
                    format == entry ? QString() : QString("%1|%2").arg(own).arg(entry));
            }
            row("/t/day", type, entry, QString("%1|%2").arg(own).arg(entry));
            row("/t/day.", type, entry, QString("%1|%2").arg(own).arg(entry));
            row("/t/day.bak", type, entry, QString("/t/day.bak|%1").arg(entry));
            row("/t.gpx/day", type, entry,
                QString("%1|%2").arg("/t.gpx/day." + clsTrackExport::Suffix(entry)).arg(entry));
        }
        row("/t/DAY.GPX", "PaPaGO!", 1, "/t/DAY.GPX|3", "/t/DAY.txt|1");
        row("/t/day.gpx.txt", "GPX", 3, "/t/day.gpx.txt|1", "/t/day.gpx.gpx|3");
        row("/t/day.gpx", "no entry", 0, "/t/day.gpx|3");
        row("/t/day", "no entry", 0, "/t/day|0");
    }

    void exportChoice() {
        QFETCH(QString, name);
        QFETCH(int, entry);
        QFETCH(QString, byDefault);
        QFETCH(QString, byEntry);
        const auto text = [](const clsExportChoice::Target& t) {
            return QString("%1|%2").arg(t.Path).arg(t.Format);
        };
        const clsExportChoice choice(name, entry);
        QCOMPARE(text(choice.Default()), byDefault);
        QCOMPARE(choice.Conflicts(), !byEntry.isEmpty());
        if (choice.Conflicts()) {
            QCOMPARE(text(choice.ByName()), byDefault);
            QCOMPARE(text(choice.ByEntry()), byEntry);
        }
    }

    // The dialog opens in the remembered name's folder, never in the folder the program
    // was started from, on the entry of the name's extension.
    void exportProposal_data() {
        QTest::addColumn<QString>("remembered"); // "@" for the test's folder
        QTest::addColumn<QString>("proposed");   // "~" for the documents folder
        QTest::addColumn<int>("entry");
        QTest::newRow("nothing remembered") << ""
                                            << "~/" << 1;
        QTest::newRow("a name without folder") << "day.trk"
                                               << "~/day.trk" << 2;
        QTest::newRow("in an existing folder") << "@/out/Day.GPX"
                                               << "@/out/Day.GPX" << 3;
        QTest::newRow("a folder that is gone") << "@/gone/day.txt"
                                               << "~/day.txt" << 1;
        QTest::newRow("unknown extension") << "@/out/day.kmz"
                                           << "@/out/day.kmz" << 1;
    }

    void exportProposal() {
        QFETCH(QString, remembered);
        QFETCH(QString, proposed);
        QFETCH(int, entry);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("out") && QDir(dir.path()).mkpath("documents"));
        const QString documents = dir.filePath("documents");
        const auto place = [&](QString path) {
            return path.replace('@', dir.path()).replace('~', documents);
        };
        QCOMPARE(clsExportChoice::Propose(place(remembered), documents),
                 (clsExportChoice::Offer{place(proposed), entry}));
    }

    // The user's documents folder, the home folder when it is missing.
    void documentsFolder() {
        QTemporaryDir home;
        const QByteArray before = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        const QString bare = clsExportChoice::DocumentsFolder();
        QVERIFY(QDir(home.path()).mkdir("Documents"));
        const QString documents = clsExportChoice::DocumentsFolder();
        qputenv("HOME", before);
        QCOMPARE(bare, home.path());
        QCOMPARE(documents, home.filePath("Documents"));
    }

    void plays_data() {
        QTest::addColumn<Scene>("scene");
        const auto row = [](const char* name, const Scene& scene) { QTest::newRow(name) << scene; };
        row("last row selected", {4, 3, 1, Played({})});
        row("half steps round to even", {4, -1, 0.5, Played({0, 0, 1, 2, 2, 2, 3})});
        row("negative step from the second to last row", {4, 2, -1, Played({})});
        row("no records", {0, -1, 1, Played({})});
        // Stop shows the stopped buttons at once; the step in its pause still ends with
        // its whole-track drawing, and no further step follows.
        row("stop during a pause",
            {5, 0, 1, "playing, events, select 1, show 1, stopped, track, stopped", 0.2,
             [](Playback& p, qsizetype) { QTimer::singleShot(10, [&p] { p.Player.Stop(); }); }});
        // Play pressed again while the stopped playback still pauses starts a new playback
        // from the row selected then, once the pause is over, not one inside the other.
        row("play again during the last pause",
            {6, 0, 1,
             "playing, events, select 1, show 1, stopped, playing, pressed, track, " +
                 Steps({4, 5}) + ", stopped",
             0.1, [](Playback& p, qsizetype index) {
                 if (index == 1) {
                     QTimer::singleShot(10, [&p] {
                         p.Player.Stop();
                         p.Player.Play(3, 1);
                         p.Calls << "pressed";
                     });
                 }
             }});
        row("an error in a step is reported and stops",
            {5, 0, 1,
             "playing, " + Steps({1}) +
                 ", events, select 2, show 2, error map page cannot be written, stopped",
             0, [](Playback&, qsizetype index) {
                 if (index == 2) {
                     throw clsStationError("map page cannot be written");
                 }
             }});
        row("abort ends a pause of a minute at once",
            {5, 0, 1, "playing, events, select 1, show 1", 60,
             [](Playback& p, qsizetype) { QTimer::singleShot(0, [&p] { p.Player.Abort(); }); }});
    }

    void plays() {
        QFETCH(Scene, scene);
        Playback playback(scene.Count);
        playback.Pause = scene.Pause;
        playback.OnShow = scene.OnShow;
        playback.Player.Play(scene.SelectedRow, scene.Step);
        QCOMPARE(playback.Calls.join(", "), scene.Calls);
        QVERIFY(!playback.Player.Running());
    }

    // The pause lasts its length and serves events meanwhile, but sleeps between them
    // instead of asking for events over and over.
    void aPauseSleepsAndServesEvents() {
        Playback playback(2);
        playback.Pause = 0.3;
        QSignalSpy wakes(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake);
        QTimer ticker;
        QSignalSpy ticks(&ticker, &QTimer::timeout);
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        playback.Player.Play(0, 1);
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(ticks.size() >= 1);
        QVERIFY2(wakes.size() < 50, qPrintable(QString::number(wakes.size())));
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_History.moc"
