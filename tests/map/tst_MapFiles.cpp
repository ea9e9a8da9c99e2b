// The map's files in a temporary program folder: the map template as start-up reads it, the marker
// file and the map page against golden files, and the pick-up file of marked points taken into a
// real SQLCipher file. Registered GERMAN as well: every number keeps its "." under a comma locale.

#include "map/MapTestSupport.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "map/clsMarkerText.h"
#include "map/clsPoiPickup.h"
#include "poi/PoiTestSupport.h"
#include "poi/clsDBLib.h"
#include "shell/TestFiles.h"
#include "shell/modPrivate.h"
#include "tracking/clsTrackRecords.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

const QStringList TestTemplate = {"<a>", "<b>", "<c>", "<d>", "<e>", "<f>", "not used", ""};
const QString Gate = "Gate 24.1 120.6 1"; // the point stored before a take

} // namespace

class TestMapFiles : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    std::optional<clsDBLib> m_db;

    QString Folder() const { return m_dir->path(); }
    QString Path(const char* relative) const { return m_dir->filePath(QLatin1String(relative)); }
    // Opened only where a case needs it: keying a new file takes a while.
    clsDBLib& Db() {
        if (!m_db) {
            m_db.emplace().OpenConnection(Path("database/POI.mdb"));
        }
        return *m_db;
    }
    // Every stored point as "Explanation Y X Kind", joined by ";".
    QString Stored() const {
        return Raw(Path("database/POI.mdb"), "SELECT group_concat(Explanation || ' ' || Y || ' ' "
                                             "|| X || ' ' || Kind, ';') FROM POI");
    }
    void CompareWithGolden(const char* file, const QString& golden) const {
        QCOMPARE(
            ReadFile(Path(file)),
            ReadFile(STATION_TEST_DATA "/map/" + golden).replace("{folder}", Folder().toUtf8()));
    }

private slots:
    void init() {
        m_dir.emplace();
        QVERIFY(QFile::copy(STATION_SOURCE_DIR "/data/Language.ini", Path("Language.ini")) &&
                QDir(Folder()).mkpath("carimage"));
    }
    void cleanup() { m_db.reset(); }

    // The template's lines as the file holds them, in UTF-8, whatever their line ends.
    void mapTemplate() {
        QVERIFY(WriteFile(Path("carimage/STANDARDS.TXT"), "1\r\n<p>車站</p>\r\nlast"));
        clsMapTemplate t;
        t.Load(Folder());
        QCOMPARE(t.MapTemplate(), QStringList({"1", "<p>車站</p>", "last", ""}));
    }

    // Clicks on the zoom pictures and zooms inside the page, from the start level: each
    // returns whether the level changed and the level after it. The range ends at 4 and
    // 18; a level chosen in the page outside it, or equal to it, changes nothing.
    void zoomLevels_data() {
        QTest::addColumn<QString>("steps"); // "+" / "-": a click in / out; a number: chosen
        QTest::addColumn<QString>("levels");
        QTest::newRow("start") << "" << "15";
        QTest::newRow("in to the nearest and beyond")
            << "+ + + +" << "15 1:16 1:17 1:18 0:18";
        QTest::newRow("out past the farthest") << "4 - +" << "15 1:4 0:4 1:5";
        QTest::newRow("chosen in the page") << "9 9 3 19 18" << "15 1:9 0:9 0:9 0:9 1:18";
    }

    void zoomLevels() {
        QFETCH(QString, steps);
        QFETCH(QString, levels);
        clsMapDrawing drawing(Folder());
        QStringList seen{QString::number(drawing.Zoom())};
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const bool changed = step == "+"   ? drawing.StepZoom(1)
                                 : step == "-" ? drawing.StepZoom(-1)
                                               : drawing.ChooseZoom(step.toInt());
            seen << QStringLiteral("%1:%2").arg(int(changed)).arg(drawing.Zoom());
        }
        QCOMPARE(seen.join(' '), levels);
    }

    // Points of every kind: a known one, none, "|" and markup in the text, Chinese. Into a
    // folder that is gone the drawing fails, naming its file.
    void currentPositionWithPoints() {
        Db().InsertCoordinate(120.6, 24.1, "1", "Gate");
        Db().InsertCoordinate(-0.5, 51.25, "", "Tea | cakes <b>hot</b>");
        Db().InsertCoordinate(121.51706, 25.04776, "3", QStringLiteral("台北車站"));
        clsMapDrawing drawing(Folder());
        drawing.LoadMapPoints(Db());
        const auto draw = [&] {
            drawing.WriteCurrentPosition(
                MakeFix("2008/11/03 14:05:09", 24.15302, "N", 120.66351, "E", 12.5f, 93),
                TestTemplate, 15);
        };
        draw();
        CompareWithGolden("carimage/markers.txt", "current-position.markers.golden");
        CompareWithGolden("carimage/map.htm", "current-position.page.golden");
        QVERIFY(QDir(Path("carimage")).removeRecursively());
        const QString message = ErrorOf(draw);
        QVERIFY2(message.contains("markers.txt"), qPrintable(message));
    }

    // Heading sectors at their edges and below 0, both signs of both coordinates, a speed
    // with thousands, no points; a template of five lines lacks only the sixth piece.
    void trackWithSelectedRecord() {
        clsTrackRecords records;
        records.Append(MakeFix("2009/02/18 13:00:00", 0.5, "N", 1.5, "E", 0, 22.5f));
        records.Append(MakeFix("2009/02/18 13:00:01", 33.85, "S", 151.2, "E", 1234.5f, 112.5f));
        records.Append(MakeFix("2009/02/18 13:00:02", 33.85, "N", 151.2, "W", 7.2f, 67.5f));
        records.Append(MakeFix("2009/02/18 13:00:03", 0.00001, "S", 120.12345, "W", 0.1f, 157.5f));
        records.Append(
            MakeFix("2009/02/18 13:00:04", 89.99999, "N", 179.99999, "E", 99.9f, 337.5f));
        records.Append(MakeFix("2009/02/18 13:00:05", 1, "N", 2, "E", 5, -45));
        clsMapDrawing(Folder()).WriteTrack(records, 1, TestTemplate.mid(0, 5) << "", 4);
        CompareWithGolden("carimage/markers.txt", "track.markers.golden");
        CompareWithGolden("carimage/map.htm", "track.page.golden");
    }

    // A track's lines made in one buffer are those of its fixes one by one: times of other
    // shapes (none, not ASCII), both hemispheres, numbers with an exponent, no number at
    // all, a course below 0; the selected fix anywhere, or at the spare past the end.
    void trackLinesAsEachFixsLine() {
        clsTrackRecords records;
        records.Append(MakeFix("2009/02/18 13:00:00", 25.03539, "N", 121.57613, "E", 12.5f, 93));
        records.Append(MakeFix("", 1e-7, "S", 123456789.125, "W", 1e20f, -10));
        records.Append(MakeFix(QStringLiteral("18日 13:00"), 0, "", 0, "", 0.05f, 359.9f));
        records.Append(MakeFix("2009/02/18 13:00:03", qQNaN(), "N", qInf(), "E", qQNaN(), qQNaN()));
        records.Append(MakeFix("9999/99/99 99:99:99", -0.0, "n", 180, "w", -3, 720));
        const clsMarkerText text(Folder());
        for (qsizetype selected = 0; selected <= records.Count(); ++selected) {
            QByteArray oneByOne;
            for (qsizetype i = 0; i < records.Count(); ++i) {
                text.AppendVehicle(oneByOne, records.At(i),
                                   QLatin1String(i == selected ? "C-Rv" : "POI"));
            }
            QByteArray whole = "before\r\n";
            text.AppendTrack(whole, records, selected);
            QCOMPARE(whole, "before\r\n" + oneByOne);
        }
    }

    // Beyond the 32,767 points that a 16-bit counter could hold (the page draws a track
    // longer than that).
    void pointsBeyondSixteenBits() {
        constexpr int Points = 33000;
        Db();
        QCOMPARE(
            Raw(Path("database/POI.mdb"),
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 32999) "
                "INSERT INTO POI (X, Y, Kind, Explanation) SELECT 121, 25, '2', 'P' || i FROM n"),
            "");
        clsMapDrawing drawing(Folder());
        drawing.LoadMapPoints(Db());
        QCOMPARE(drawing.MapPoints().size(), Points);
        drawing.WriteCurrentPosition(MakeFix("t", 1, "N", 1, "E", 0, 0), TestTemplate, 15);
        const QList<QByteArray> lines = ReadFile(Path("carimage/markers.txt")).split('\n');
        QCOMPARE(lines.size(), Points + 2);
        QCOMPARE(lines[Points], "25|121|House\\House2.gif|P32999\r");
    }

    void take_data() {
        QTest::addColumn<QByteArray>("pickup");   // null: no pick-up file
        QTest::addColumn<QByteArray>("leftOver"); // null: no file left by a failed take
        QTest::addColumn<QString>("stored");      // every point after the take
        const QByteArray none;
        QTest::newRow("no file") << none << none << Gate;
        QTest::newRow("names stored already or twice, an empty line")
            << QByteArray("Gate,1,2\r\nPier,25,121\r\nPier,26,122\r\n\r\n") << none
            << Gate + ";Pier 25.0 121.0 1";
        QTest::newRow("coordinates missing, no numbers or off the globe")
            << QByteArray("A,24.1\r\nB,north,120\r\nC,24,east\r\nD,91,121\r\nE,24,180.5\r\n"
                          "F,-24.5,-121.5\r\nG,90,-180\r\n")
            << none << Gate + ";F -24.5 -121.5 1;G 90.0 -180.0 1";
        QTest::newRow("more fields, bare line feeds, UTF-8")
            << QByteArray("車站,25,121.5,ignored,too\nX,1,2") << none
            << Gate + ";車站 25.0 121.5 1;X 1.0 2.0 1";
        QTest::newRow("left by a failed take, taken first")
            << QByteArray("New,3,4\r\n") << QByteArray("Old,1,2\r\n")
            << Gate + ";Old 1.0 2.0 1;New 3.0 4.0 1";
    }
    void take() {
        QFETCH(QByteArray, pickup);
        QFETCH(QByteArray, leftOver);
        QFETCH(QString, stored);
        const clsPoiPickup p(Folder());
        Db().InsertCoordinate(120.6, 24.1, "1", "Gate");
        QVERIFY(pickup.isNull() || WriteFile(p.PickupPath(), pickup));
        QVERIFY(leftOver.isNull() || WriteFile(p.TakingPath(), leftOver));
        const clsPoiPickup::Result result = p.Take(Db());
        QCOMPARE(result.Found, !pickup.isNull());
        QCOMPARE(result.Error, QString());
        QCOMPARE(result.Inserted, stored.count(';'));
        QCOMPARE(Stored(), stored);
        QVERIFY(!QFile::exists(p.PickupPath()) && !QFile::exists(p.TakingPath()));
    }

    void appendPoint_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QByteArray>("line"); // empty: refused
        QTest::newRow("south-west, blanks")
            << " Pier " << -33.85 << -151.2 << QByteArray("Pier,-33.85,-151.2\r\n");
        QTest::newRow("commas and line breaks")
            << QStringLiteral("Night,\r\nmarket\u2028 east\n,1,2") << 1.0 << 2.0
            << QByteArray("Nightmarket east12,1,2\r\n");
        QTest::newRow("nothing left of the name") << " ,\r\n" << 1.0 << 2.0 << QByteArray();
    }
    // The line the page's bridge appends for a marked point; nothing else reaches the file.
    void appendPoint() {
        QFETCH(QString, name);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QByteArray, line);
        const clsPoiPickup p(Folder());
        QVERIFY(WriteFile(p.PickupPath(), "Earlier,1,1\r\n"));
        QCOMPARE(p.AppendPoint(name, latitude, longitude).isEmpty(), !line.isEmpty());
        QCOMPARE(ReadFile(p.PickupPath()), "Earlier,1,1\r\n" + line);
    }
};

QTEST_GUILESS_MAIN(TestMapFiles)
#include "tst_MapFiles.moc"
