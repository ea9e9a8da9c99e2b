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
#include "poi/clsPoiEditor.h"
#include "shell/TestFiles.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsTrackRecords.h"

#include <QTemporaryDir>
#include <QTest>
#include <limits>
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

    // The popup's labels, the caption and the list's status follow the chosen language
    // file; the rest of the line (coordinates, icon, time) is the same in every language.
    void popupInTheChosenLanguage() {
        QVERIFY(QFile::copy(STATION_SOURCE_DIR "/data/Language.zh-TW.ini",
                            Path("Language.zh-TW.ini")) &&
                WriteFile(Path("vendrel.ini"), "[Settings]\nLanguage=zh-TW\n"));
        clsMapDrawing drawing(Folder());
        const PositionFix fix =
            MakeFix("2008/11/03 14:05:09", 24.15302, "N", 120.66351, "E", 12.5f, 93);
        drawing.WriteCurrentPosition(fix, TestTemplate, 15);
        QCOMPARE(ReadFile(Path("carimage/markers.txt")),
                 "24.15302|120.66351|C-rv\\car090.gif|2008/11/03 14:05:09<br>方向:東<br>速度:12.5 "
                 "節\r\n");
        QCOMPARE(drawing.CaptionText(fix), " 2008/11/03 14:05:09 即時位置 ");
        QCOMPARE(drawing.SpeedCaption(fix), "速度:12.5 節");
        clsTrackRecords records;
        records.Append(fix);
        drawing.WriteTrack(records, 0, TestTemplate, 15);
        QVERIFY(ReadFile(Path("carimage/markers.txt"))
                    .contains("C-Rv\\car090.gif|2008/11/03 14:05:09<br>方向:東<br>速度:12.5 節\r\n"));
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

    // Numbers far outside any position are written whole, without exponent, and read back:
    // their texts are ten times longer than a position's.
    void farNumbersWrittenWhole() {
        const double far[] = {-std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::denorm_min(), -1e-300};
        clsTrackRecords records;
        for (const double value : far) {
            records.Append(MakeFix("2009/02/18 13:00:00", value, "N", value, "E", 1, 1));
        }
        QByteArray track;
        clsMarkerText(Folder()).AppendTrack(track, records, 0);
        QByteArray points;
        for (const double value : far) {
            CoordinateRecord point;
            point.X = point.Y = value;
            clsMarkerText::AppendPoint(points, point);
        }
        for (const QByteArray& lines : {track, points}) {
            const QList<QByteArray> rows = lines.split('\n');
            QCOMPARE(rows.size(), qsizetype(std::size(far)) + 1);
            for (std::size_t i = 0; i < std::size(far); ++i) {
                for (const QByteArray& number : rows[qsizetype(i)].split('|').mid(0, 2)) {
                    QVERIFY2(!number.contains('e'), number.constData());
                    QCOMPARE(number.toDouble() / far[i], 1.0);
                }
            }
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

    // Lines that hold no point are appended to the rejects file beside the pick-up file, which
    // holds a line of an earlier take, and told once naming both files.
    void take_data() {
        QTest::addColumn<QByteArray>("pickup");   // null: no pick-up file
        QTest::addColumn<QByteArray>("leftOver"); // null: no file left by a failed take
        QTest::addColumn<QString>("stored");      // every point after the take
        QTest::addColumn<QByteArray>("rejected"); // the lines added to the rejects file
        const QByteArray none;
        QTest::newRow("no file") << none << none << Gate << none;
        QTest::newRow("names stored already or twice, an empty line")
            << QByteArray("Gate,1,2\r\nPier,25,121\r\nPier,26,122\r\n\r\n") << none
            << Gate + ";Pier 25.0 121.0 1" << none;
        QTest::newRow("coordinates missing, no numbers or off the globe")
            << QByteArray("A,24.1\r\nB,north,120\r\nC,24,east\r\nD,91,121\r\nE,24,180.5\r\n"
                          "F,-24.5,-121.5\r\nG,90,-180\r\n")
            << none << Gate + ";F -24.5 -121.5 1;G 90.0 -180.0 1"
            << QByteArray("A,24.1\r\nB,north,120\r\nC,24,east\r\nD,91,121\r\nE,24,180.5\r\n");
        QTest::newRow("off the globe as another program writes, bare line feeds, no last end")
            << QByteArray("Far,-90.5,10\nNear,10,20\n  West , 10 , -200.25") << none
            << Gate + ";Near 10.0 20.0 1"
            << QByteArray("Far,-90.5,10\r\n  West , 10 , -200.25\r\n");
        QTest::newRow("more fields, bare line feeds, UTF-8")
            << QByteArray("車站,25,121.5,ignored,too\nX,1,2") << none
            << Gate + ";車站 25.0 121.5 1;X 1.0 2.0 1" << none;
        // A power cut can leave zeros in the file; the database refuses a name with one.
        QTest::newRow("a NUL byte in a line, the lines after it")
            << QByteArrayLiteral("Ze\0ro,1,2\r\nAfter,3,4\r\n\0\0\0\0") << none
            << Gate + ";After 3.0 4.0 1" << QByteArrayLiteral("Ze\0ro,1,2\r\n");
        QTest::newRow("left by a failed take, taken first")
            << QByteArray("New,3,4\r\nNewer,300,4\r\n") << QByteArray("Old,1,2\r\nOlder,1,200\r\n")
            << Gate + ";Old 1.0 2.0 1;New 3.0 4.0 1"
            << QByteArray("Older,1,200\r\nNewer,300,4\r\n");
    }
    void take() {
        QFETCH(QByteArray, pickup);
        QFETCH(QByteArray, leftOver);
        QFETCH(QString, stored);
        QFETCH(QByteArray, rejected);
        const clsPoiPickup p(Folder());
        Db().InsertCoordinate(120.6, 24.1, "1", "Gate");
        QVERIFY(pickup.isNull() || WriteFile(p.PickupPath(), pickup));
        QVERIFY(leftOver.isNull() || WriteFile(p.TakingPath(), leftOver));
        const QByteArray earlier = "Earlier,99,0\r\n";
        QVERIFY(WriteFile(p.RejectsPath(), earlier));
        const clsPoiPickup::Result result = p.Take(Db());
        QCOMPARE(result.Found, !pickup.isNull());
        QCOMPARE(result.Error, QString());
        QCOMPARE(result.Inserted, stored.count(';'));
        QCOMPARE(Stored(), stored);
        QVERIFY(!QFile::exists(p.PickupPath()) && !QFile::exists(p.TakingPath()));
        QCOMPARE(ReadFile(p.RejectsPath()), earlier + rejected);
        QCOMPARE(result.Rejected, rejected.count('\n'));
        QCOMPARE(p.RejectsPath(), p.PickupPath() + ".rejected");
        if (rejected.isEmpty()) {
            QCOMPARE(result.Rejection, QString());
        } else {
            QCOMPARE(result.Rejection,
                     modPrivate::ReadLanguage(Folder(), modKeys::Messages::PickupLinesRejected)
                         .arg(result.Rejected)
                         .arg(p.PickupPath(), p.RejectsPath()));
        }
    }

    // Rejected lines that cannot be kept keep the whole file for the next take.
    void rejectsUnwritable() {
        const clsPoiPickup p(Folder());
        QVERIFY(WriteFile(p.PickupPath(), "Far,95,1\r\nNear,1,2\r\n"));
        QVERIFY(QDir(Folder()).mkdir("poi.txt.rejected")); // a folder where the file would go
        const clsPoiPickup::Result result = p.Take(Db());
        QVERIFY2(result.Error.contains(p.RejectsPath()), qPrintable(result.Error));
        QCOMPARE(ReadFile(p.TakingPath()), "Far,95,1\r\nNear,1,2\r\n");
        QVERIFY(QDir(Folder()).rmdir("poi.txt.rejected"));
        const clsPoiPickup::Result again = p.Take(Db());
        QCOMPARE(again.Error, QString());
        QCOMPARE(again.Inserted, 0); // stored by the first take, found by its name
        QCOMPARE(Stored(), "Near 1.0 2.0 1");
        QCOMPARE(ReadFile(p.RejectsPath()), "Far,95,1\r\n");
    }

    // Names as an operator or another program may give them, through the editor, through
    // the page's bridge into the pick-up file, and back out into the marker file: stored
    // exactly or refused with the editor's message, never touching the row stored before,
    // each in its own field of one marker line.
    void hostileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal"); // the editor's message code; empty: stored
        QTest::addColumn<QString>("marked");  // what the page's mark stores; empty: refused
        const auto row = [](const char* what, const QString& name, const QString& refusal,
                            const QString& marked) {
            QTest::newRow(what) << name << refusal << marked;
        };
        row("apostrophes", "O'Brien's 'Pub'", "", "O'Brien's 'Pub'");
        row("a statement", "x'); DELETE FROM POI; --", "", "x'); DELETE FROM POI; --");
        row("a condition", "' OR '1'='1", "", "' OR '1'='1");
        row("markup", "<script>alert(1)</script>", "", "<script>alert(1)</script>");
        row("bars", "|Tea | cakes|", "", "|Tea | cakes|");
        row("commas", "Night, market,", "", "Night market");
        row("line breaks", "Two\nlines\r\n25|121|C-rv\\car000.gif|x", "0171",
            "Twolines25|121|C-rv\\car000.gif|x");
        row("a NUL and a tab", QString::fromUtf8("a\0b\tc", 5), "0171", "abc");
        row("ten thousand characters", QString(10'000, QChar(0x8ECA)), "0003",
            QString(10'000, QChar(0x8ECA)));
        row("other scripts", QStringLiteral("台北 101 · Ωμέγα · עברית · 🚗"), "",
            QStringLiteral("台北 101 · Ωμέγα · עברית · 🚗"));
    }
    void hostileNames() {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        QFETCH(QString, marked);
        Db().InsertCoordinate(120.6, 24.1, "1", "Gate");
        clsPoiEditor editor(Folder(), Db());
        QVERIFY(!editor.Load());
        editor.ButtonClick("NewRec", {});
        editor.SetFields({name, {"121", "30", "00"}, {"25", "02", "00"}, 2});
        const std::optional<clsPoiEditor::Notice> notice = editor.ButtonClick("WriteRec", {});
        const LanguageCode& message =
            refusal == "0003" ? modKeys::Search::NameTooLong : modKeys::Messages::NameHoldsControl;
        QCOMPARE(notice ? notice->Text : "",
                 refusal.isEmpty() ? "" : modPrivate::ReadLanguage(Folder(), message));
        const clsPoiPickup p(Folder());
        QCOMPARE(p.AppendPoint(name, -33.5, 151.25), QString());
        const clsPoiPickup::Result taken = p.Take(Db());
        QVERIFY(taken.Error.isEmpty() && taken.Rejected == 0);

        // Every row, read back through a connection of its own; a name taken already is not
        // taken again.
        QStringList rows{"1 1 120.6 24.1 Gate"};
        if (refusal.isEmpty()) {
            rows << "2 2 121.5 25.033 " + name;
        }
        if (!refusal.isEmpty() || marked != name) {
            rows << QString::number(rows.size() + 1) + " 1 151.25 -33.5 " + marked;
        }
        QCOMPARE(Raw(Path("database/POI.mdb"),
                     "SELECT group_concat(SeqNo || ' ' || Kind || ' ' || X || ' ' || round(Y, 3) "
                     "|| ' ' || Explanation, char(1)) FROM POI"),
                 rows.join(QChar(1)));

        // Each name in the popup field of one marker line, also as another program may
        // store it, with a kind of its own.
        QList<CoordinateRecord> shown = Db().ListCoordinates();
        shown << CoordinateRecord{"99", 1, 2, "2|\r\n", name};
        QByteArray markers;
        for (const CoordinateRecord& r : shown) {
            clsMarkerText::AppendPoint(markers, r);
        }
        const QList<QByteArray> lines = markers.split('\n');
        QCOMPARE(lines.size(), shown.size() + 1);
        for (int i = 0; i < shown.size(); ++i) {
            const QList<QByteArray> fields = lines[i].chopped(1).split('|');
            QVERIFY(lines[i].count('\r') == 1 && fields.size() >= 4);
            QCOMPARE(fields[2], i < shown.size() - 1
                                    ? "House\\House" + shown[i].Kind.toUtf8() + ".gif"
                                    : "House\\House2   .gif");
            QCOMPARE(fields.sliced(3).join('|'),
                     QString(shown[i].Explanation).replace('\r', ' ').replace('\n', ' ').toUtf8());
        }
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
