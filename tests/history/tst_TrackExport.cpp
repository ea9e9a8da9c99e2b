// Exporting a track: the two navigation formats byte for byte against files written by
// hand, GPX checked by the schema and read back by GPSBabel, and failed writes.

#include "history/clsTrackExport.h"
#include "shell/clsStationError.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString Data = QStringLiteral(STATION_TEST_DATA);

PositionFix Fix(const char* time, double latitude, const char* ns, double longitude, const char* ew,
                float speed = 0, float direction = 0) {
    return {time, ew, longitude, ns, latitude, speed, direction, "A"};
}

clsTrackRecords Track(const QString& name) {
    static const QMap<QString, QList<PositionFix>> tracks = {
        {"one-day",
         {Fix("2009/02/18 10:20:30", 25.0345678, "N", 121.5345678, "E"),
          Fix("2009/02/18 10:20:31", 25.0345, "N", 121.5, "E")}},
        {"two-days",
         {Fix("2009/02/28 23:59:58", 25.0345678, "N", 121.5345678, "E"),
          Fix("2009/02/28 23:59:59", 25.0345, "N", 121.5, "E"),
          Fix("2009/03/01 00:00:00", 25.03, "N", 121.49, "E")}},
        {"below-ten",
         {Fix("2009/02/18 10:20:30", 5.1, "N", 99.5, "E"),
          Fix("2009/02/18 10:20:31", 0.5, "N", 5.25, "E")}},
        {"south-west",
         {Fix("2009/02/18 10:20:30", 33.8688, "S", 151.2093, "E"),
          Fix("2009/02/18 10:20:31", 40.7128, "N", 74.006, "W"),
          Fix("2009/02/18 10:20:32", 12.5, "S", 77.25, "W")}},
        {"empty", {}},
        // Europe/Berlin: winter and summer time, a new local day that is still the
        // previous day in UTC, the hour shown twice in October and the hour skipped in
        // March.
        {"clock-changes",
         {Fix("2009/02/18 10:20:30", 25.0345678, "N", 121.5345678, "E", 10, 45),
          Fix("2009/02/18 23:59:59", 33.8688, "S", 151.2093, "E"),
          Fix("2009/02/19 00:30:00", 40.7128, "N", 74.006, "W"),
          Fix("2009/07/18 10:20:30", 48.1, "N", 11.5, "E"),
          Fix("2023/10/29 02:30:00", 52.5, "N", 13.4, "E"),
          Fix("2023/03/26 02:30:00", 52.5, "N", 13.4, "E")}},
    };
    clsTrackRecords records;
    for (const PositionFix& fix : tracks.value(name)) {
        records.Append(fix);
    }
    return records;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
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

// While it lives, a write beyond limit bytes fails as on a full disk (0: no limit).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit > 0 ? limit : m_saved.rlim_cur;
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class tst_TrackExport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    void writesTheNavigationFormats_data() {
        QTest::addColumn<QString>("track");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("expected");
        for (const char* track : {"one-day", "below-ten", "south-west", "empty"}) {
            QTest::addRow("%s, PaPaGO!", track) << track << 1 << QString("%1.txt").arg(track);
            QTest::addRow("%s, MapSource", track) << track << 2 << QString("%1.trk").arg(track);
        }
        QTest::newRow("two days, MapSource") << "two-days" << 2 << "two-days.trk";
        QTest::newRow("no such format") << "one-day" << 0 << "empty.trk";
    }

    void writesTheNavigationFormats() {
        QFETCH(QString, track);
        QFETCH(int, format);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("my track");
        clsTrackExport(dir.path()).ExportTrack(path, format, Track(track));
        QCOMPARE(ReadBytes(path), ReadBytes(Data + "/export/" + expected));
        QCOMPARE(Entries(dir), QStringList{"my track"});
    }

    void writesGpxThatOtherProgramsRead_data() {
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

    void writesGpxThatOtherProgramsRead() {
        QFETCH(QString, track);
        QFETCH(QStringList, points);
        QFETCH(int, segments);
        QTemporaryDir dir;
        const QString path = dir.filePath("track.gpx");
        clsTrackExport(dir.path()).ExportTrack(path, clsTrackExport::Gpx, Track(track));

        QVERIFY(Run("xmllint", {"--noout", "--schema", Data + "/gpx-1.1.xsd", path}));
        const std::optional<QByteArray> csv =
            Run("gpsbabel", {"-t", "-i", "gpx", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
        QVERIFY(csv);
        QStringList read = QString::fromUtf8(*csv).split('\n', Qt::SkipEmptyParts);
        QVERIFY(!read.isEmpty());
        read.removeFirst(); // the column names
        for (QString& line : read) {
            line = line.trimmed().section(',', 1); // without the point's number
        }
        QCOMPARE(read, points);

        const QByteArray gpx = ReadBytes(path);
        QCOMPARE(gpx.count("<trkseg>"), segments);
        // 10 knots and 45 degrees in Garmin's track point extension.
        QCOMPARE(gpx.contains("<gpxtpx:speed>5.144444</gpxtpx:speed>"
                              "<gpxtpx:course>45</gpxtpx:course>"),
                 segments > 0);
    }

    // A failed write is reported with the file's name, and whatever stood under the
    // chosen name stays as it was.
    void aFailedWriteLeavesTheFolderAsItWas_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("fileSizeLimit"); // bytes, 0 for none
        QTest::newRow("folder missing") << "missing/track.txt" << 0;
        QTest::newRow("folder is a file") << "file/track.txt" << 0;
        QTest::newRow("name of a folder") << "folder" << 0;
        QTest::newRow("disk full half way") << "file" << 100;
    }

    void aFailedWriteLeavesTheFolderAsItWas() {
        QFETCH(QString, name);
        QFETCH(int, fileSizeLimit);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier track\r\n") == 15 &&
                QDir(dir.path()).mkdir("folder"));
        file.close();
        const QString path = dir.filePath(name);
        QString message;
        {
            FileSizeLimit limit(fileSizeLimit);
            try {
                clsTrackExport(dir.path()).ExportTrack(path, 2, Track("two-days"));
            } catch (const clsStationError& error) {
                message = error.Message();
            }
        }
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QCOMPARE(Entries(dir), QStringList({"file", "folder"}));
        QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
        QCOMPARE(ReadBytes(dir.filePath("file")), "earlier track\r\n");
    }
};

QTEST_GUILESS_MAIN(tst_TrackExport)
#include "tst_TrackExport.moc"
