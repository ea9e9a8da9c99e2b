#include "map/MapTestSupport.h"
#include "map/clsMapDrawing.h"
#include "map/clsMarkerText.h"
#include "poi/clsDBLib.h"
#include "shell/clsStationError.h"
#include "tracking/clsTrackRecords.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <sqlcipher/sqlite3.h>

namespace {

const QString GoldenFolder = QStringLiteral(STATION_TEST_DATA "/map/");
const QStringList TestTemplate = {"<a>", "<b>", "<c>", "<d>", "<e>", "<f>", "not used", ""};

QByteArray Golden(const QString& name, const QString& folder) {
    return FileBytes(GoldenFolder + name).replace("{folder}", folder.toUtf8());
}

} // namespace

// Registered GERMAN as well: every number must keep its "." under a comma locale.
class TestMapFiles : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    clsDBLib m_db;

    QString Folder() const { return m_dir->path(); }
    QString Path(const char* relative) const { return m_dir->filePath(QLatin1String(relative)); }

    // The database is made only where a case draws points: keying a new file takes a while.
    void OpenDatabase() { m_db.OpenConnection(Path("database/POI.mdb")); }

    void AddPoint(double x, double y, const char* kind, const QString& explanation) {
        m_db.InsertCoordinate(x, y, QLatin1String(kind), explanation);
    }

private slots:
    void init() {
        m_dir.emplace();
        QVERIFY(m_dir->isValid() && MakeMapFolder(Folder()));
    }
    void cleanup() {
        m_db.CloseConnection();
        m_dir.reset();
    }

    void currentPositionWithPoints() {
        OpenDatabase();
        AddPoint(120.6, 24.1, "1", "Gate");
        AddPoint(-0.5, 51.25, "", "Tea | cakes <b>hot</b>");
        AddPoint(121.51706, 25.04776, "3", QStringLiteral("台北車站"));
        clsMapDrawing drawing(Folder());
        drawing.LoadMapPoints(m_db);
        drawing.WriteCurrentPosition(
            MakeFix("2008/11/03 14:05:09", 24.15302, "N", 120.66351, "E", 12.5f, 93), TestTemplate,
            15);
        QCOMPARE(FileBytes(Path("carimage/markers.txt")),
                 Golden("current-position.markers.golden", Folder()));
        QCOMPARE(FileBytes(drawing.PagePath()), Golden("current-position.page.golden", Folder()));
    }

    // Sector edges, both signs of both coordinates, a speed with thousands, no points.
    void trackWithSelectedRecord() {
        clsTrackRecords records;
        records.Append(MakeFix("2009/02/18 13:00:00", 0.5, "N", 1.5, "E", 0, 22.5f));
        records.Append(MakeFix("2009/02/18 13:00:01", 33.85, "S", 151.2, "E", 1234.5f, 112.5f));
        records.Append(MakeFix("2009/02/18 13:00:02", 33.85, "N", 151.2, "W", 7.2f, 67.5f));
        records.Append(MakeFix("2009/02/18 13:00:03", 0.00001, "S", 120.12345, "W", 0.1f, 157.5f));
        records.Append(
            MakeFix("2009/02/18 13:00:04", 89.99999, "N", 179.99999, "E", 99.9f, 337.5f));
        clsMapDrawing drawing(Folder());
        drawing.WriteTrack(records, 1, TestTemplate, 4);
        QCOMPARE(FileBytes(Path("carimage/markers.txt")), Golden("track.markers.golden", Folder()));
        QCOMPARE(FileBytes(drawing.PagePath()), Golden("track.page.golden", Folder()));
    }

    void headingSuffix_data() {
        QTest::addColumn<float>("direction");
        QTest::addColumn<QString>("suffix");
        const QList<std::pair<float, const char*>> rows = {
            {0, "000"},      {22.5f, "000"},   {22.6f, "045"},  {67.4f, "045"},  {67.5f, "090"},
            {112.5f, "090"}, {112.6f, "135"},  {157.4f, "135"}, {157.5f, "180"}, {202.5f, "180"},
            {202.6f, "225"}, {247.5f, "270"},  {292.5f, "270"}, {292.6f, "315"}, {337.4f, "315"},
            {337.5f, "000"}, {359.99f, "000"}, {-45, "315"}};
        for (const auto& [direction, suffix] : rows) {
            QTest::addRow("%g", double(direction)) << direction << QString(suffix);
        }
    }
    void headingSuffix() {
        QFETCH(float, direction);
        QFETCH(QString, suffix);
        QCOMPARE(QString(clsMarkerText::HeadingSuffix(direction)), suffix);
    }

    void templateLength_data() {
        QTest::addColumn<QStringList>("mapTemplate");
        QTest::addColumn<QString>("page"); // empty: refused
        QTest::newRow("five lines, no sixth piece") << QStringList{"1", "2", "3", "4", "5", ""}
                                                    << "1{pickup}2House\\House1.gif3"
                                                       "1.5,-2.5415.55markers.txt";
        QTest::newRow("four lines") << QStringList{"1", "2", "3", "4", ""} << QString();
        QTest::newRow("empty file") << QStringList{""} << QString();
    }
    // A template too short for the page is reported before any file is written.
    void templateLength() {
        QFETCH(QStringList, mapTemplate);
        QFETCH(QString, page);
        clsMapDrawing drawing(Folder());
        const PositionFix fix = MakeFix("t", 1.5, "N", 2.5, "W", 0, 0);
        try {
            drawing.WriteCurrentPosition(fix, mapTemplate, 15.5);
            QVERIFY2(!page.isEmpty(), "a short template was accepted");
            QCOMPARE(QString::fromUtf8(FileBytes(drawing.PagePath())),
                     QString(page).replace("{pickup}", Path("poi.txt")) + "\r\n");
        } catch (const clsStationError& error) {
            QVERIFY2(page.isEmpty(), qPrintable(error.Message()));
            QVERIFY(error.Message().contains(
                QStringLiteral("has %1 lines").arg(mapTemplate.size() - 1)));
            QVERIFY(!QFile::exists(Path("carimage/markers.txt")));
        }
    }

    void missingFolderIsReported() {
        QVERIFY(QDir(Path("carimage")).removeRecursively());
        clsMapDrawing drawing(Folder());
        try {
            drawing.WriteCurrentPosition(MakeFix("t", 1, "N", 1, "E", 0, 0), TestTemplate, 15);
            QFAIL("a drawing into a missing folder succeeded");
        } catch (const clsStationError& error) {
            QVERIFY2(error.Message().contains("markers.txt"), qPrintable(error.Message()));
        }
    }

    // Beyond the 32,767 records and points that a 16-bit counter could hold.
    void largeTrackAndManyPoints() {
        constexpr int Points = 33000;
        constexpr int Records = 40000;
        OpenDatabase();
        m_db.CloseConnection();
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(Path("database/POI.mdb")).constData(), &raw),
                 SQLITE_OK);
        sqlite3_key(raw, "7314", 4);
        QByteArray sql = "BEGIN;";
        for (int i = 0; i < Points; ++i) {
            sql += "INSERT INTO POI (X, Y, Kind, Explanation) VALUES (121, 25, '2', 'P" +
                   QByteArray::number(i) + "');";
        }
        QCOMPARE(sqlite3_exec(raw, sql + "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
        m_db.OpenConnection(Path("database/POI.mdb"));

        clsTrackRecords records;
        for (int i = 0; i < Records; ++i) {
            records.Append(MakeFix("t", 25 + i * 1e-5, "N", 121, "E", 0, 0));
        }
        clsMapDrawing drawing(Folder());
        drawing.LoadMapPoints(m_db);
        QCOMPARE(drawing.MapPoints().size(), Points);
        drawing.WriteTrack(records, Records - 1, TestTemplate, 15);
        const QList<QByteArray> lines = FileBytes(Path("carimage/markers.txt")).split('\n');
        QCOMPARE(lines.size(), Records + Points + 1);
        QVERIFY(lines[Records - 1].startsWith("25.39999|121|C-Rv\\car000.gif|"));
        QCOMPARE(lines[Records + Points - 1], "25|121|House\\House2.gif|P32999\r");
    }

    void recordOfItem_data() {
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<qsizetype>("record"); // -1: refused
        QTest::newRow("first row") << "1" << qsizetype(0);
        QTest::newRow("last row") << "3" << qsizetype(2);
        QTest::newRow("the spare") << "4" << qsizetype(3);
        QTest::newRow("beyond") << "5" << qsizetype(-1);
        QTest::newRow("no number") << "NO Date" << qsizetype(-1);
    }
    void recordOfItem() {
        QFETCH(QString, itemText);
        QFETCH(qsizetype, record);
        try {
            QCOMPARE(clsMapDrawing(Folder()).RecordOfItem(itemText, 3), record);
        } catch (const clsStationError& error) {
            QCOMPARE(record, -1);
            QCOMPARE(error.Message(), "The selected row of the list shows no record of the track.");
        }
    }
};

QTEST_GUILESS_MAIN(TestMapFiles)
#include "tst_MapFiles.moc"
