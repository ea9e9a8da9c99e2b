// A day's track read as trips, stops and totals: synthetic days whose answers were worked
// out by hand, and the stop settings as the settings file gives them.

#include "history/TestDays.h"
#include "history/clsDayReport.h"
#include "history/clsDaySummary.h"
#include "history/clsSpeedChart.h"
#include "shell/TestFiles.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using namespace TestDays;

// Moving records a kilometre apart at the given local times.
clsTrackRecords Moves(const QStringList& times) {
    clsTrackRecords records;
    for (qsizetype i = 0; i < times.size(); ++i) {
        records.Append(At(times[i], 1000.0 * i, 0, 10));
    }
    return records;
}

struct Day {
    clsTrackRecords Records;
    clsDaySummary::Parameters Parameters{50, 5, 200};
    QByteArrayList Csv; // without the header, lines without their ends
};

// The points of interest around the parking place of DriveParkDrive, 6173.333 m north.
QList<CoordinateRecord> Pois() {
    const double parked = ParkedNorth;
    auto poi = [&](const char* name, double north, double east) {
        const PositionFix fix = At({}, parked + north, east);
        return CoordinateRecord{{}, fix.Longitude, fix.Latitude, "1", name};
    };
    return {poi("Kiosk", 0, -150), poi("Depot \"A\", north", 0, 120), poi("Gate", 0, 210),
            poi("Far away", 5000, 0)};
}

} // namespace

// Records a kilometre apart at "time knots" each (times of February 18th 2009 unless
// they name their day).
clsTrackRecords Timed(const QStringList& entries) {
    clsTrackRecords records;
    for (const QString& entry : entries) {
        const QString time = entry.section(' ', 0, -2);
        records.Append(At(time.size() == 8 ? "2009/02/18 " + time : time, 1000.0 * records.Count(),
                          0, entry.section(' ', -1).toFloat()));
    }
    return records;
}

Q_DECLARE_METATYPE(Day)
Q_DECLARE_METATYPE(clsTrackRecords)

class tst_DaySummary : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    void readsTheDay_data() {
        QTest::addColumn<Day>("day");
        const QByteArray trip1 =
            "trip,2009/02/18 10:00:00,2009/02/18 10:10:00,600,6.173,24.0,20.0,,,";
        const QByteArray trip2 =
            "trip,2009/02/18 10:30:00,2009/02/18 10:35:00,300,3.087,20.0,20.0,,,";
        QTest::newRow("drive, park, drive")
            << Day{DriveParkDrive(),
                   {50, 5, 200},
                   {trip1,
                    "stop,2009/02/18 10:10:00,2009/02/18 10:30:00,1200,,,,25.055518,121.500000,"
                    "\"Depot \"\"A\"\", north\"",
                    trip2, "day,2009/02/18 10:00:00,2009/02/18 10:35:00,2100,9.260,24.0,20.0,,,"}};
        QTest::newRow("no point of interest near enough") << Day{
            DriveParkDrive(),
            {50, 5, 100},
            {trip1, "stop,2009/02/18 10:10:00,2009/02/18 10:30:00,1200,,,,25.055518,121.500000,",
             trip2, "day,2009/02/18 10:00:00,2009/02/18 10:35:00,2100,9.260,24.0,20.0,,,"}};
        // 9263 m (the parked 3 m with them) in 2100 s.
        const QByteArray oneTrip =
            "trip,2009/02/18 10:00:00,2009/02/18 10:35:00,2100,9.263,24.0,8.6,,,";
        const QByteArray oneTripDay =
            "day,2009/02/18 10:00:00,2009/02/18 10:35:00,2100,9.263,24.0,8.6,,,";
        QTest::newRow("radius within the parked jitter")
            << Day{DriveParkDrive(), {2, 5, 200}, {oneTrip, oneTripDay}};
        QTest::newRow("parked shorter than a stop")
            << Day{DriveParkDrive(), {50, 21, 200}, {oneTrip, oneTripDay}};
        // 01:50 CEST to 03:30 CET is 2 h 40 min (02:30 and 02:50 read as CEST); 4 km driven.
        QTest::newRow("clocks go back")
            << Day{Moves({"2023/10/29 01:50:00", "2023/10/29 02:30:00", "2023/10/29 02:50:00",
                          "2023/10/29 03:10:00", "2023/10/29 03:30:00"}),
                   {50, 5, 200},
                   {"trip,2023/10/29 01:50:00,2023/10/29 03:30:00,9600,4.000,10.0,0.8,,,",
                    "day,2023/10/29 01:50:00,2023/10/29 03:30:00,9600,4.000,10.0,0.8,,,"}};
        // 01:50 CET to 03:10 CEST is 20 minutes: 1 km in 1200 s.
        QTest::newRow("clocks go forward")
            << Day{Moves({"2023/03/26 01:50:00", "2023/03/26 03:10:00"}),
                   {50, 5, 200},
                   {"trip,2023/03/26 01:50:00,2023/03/26 03:10:00,1200,1.000,10.0,1.6,,,",
                    "day,2023/03/26 01:50:00,2023/03/26 03:10:00,1200,1.000,10.0,1.6,,,"}};
        // Parked from 01:55 CEST to 03:05 CET: 2 h 10 min.
        clsTrackRecords overnight;
        overnight.Append(At("2023/10/29 01:55:00", 0));
        overnight.Append(At("2023/10/29 03:05:00", 2));
        QTest::newRow("parked while the clocks go back")
            << Day{overnight,
                   {50, 5, 200},
                   {"stop,2023/10/29 01:55:00,2023/10/29 03:05:00,7800,,,,25.000000,121.500000,",
                    "day,2023/10/29 01:55:00,2023/10/29 03:05:00,7800,0.000,0.0,0.0,,,"}};
        clsTrackRecords one;
        one.Append(At("2009/02/18 10:00:00", 0, 0, 5));
        QTest::newRow("one record") << Day{
            one, {50, 5, 200}, {"day,2009/02/18 10:00:00,2009/02/18 10:00:00,0,0.000,0.0,0.0,,,"}};
        QTest::newRow("empty fetch") << Day{{}, {50, 5, 200}, {"day,,,0,0.000,0.0,0.0,,,"}};
        // Out of range: the defaults (50 m, 5 min, 200 m) instead.
        QTest::newRow("parameters out of range")
            << Day{DriveParkDrive(),
                   {0, -1, 200},
                   {trip1,
                    "stop,2009/02/18 10:10:00,2009/02/18 10:30:00,1200,,,,25.055518,121.500000,"
                    "\"Depot \"\"A\"\", north\"",
                    trip2, "day,2009/02/18 10:00:00,2009/02/18 10:35:00,2100,9.260,24.0,20.0,,,"}};
    }

    void readsTheDay() {
        QFETCH(Day, day);
        const clsDaySummary summary(day.Records, day.Parameters, Pois());
        const QByteArray csv = summary.CsvText();
        QVERIFY(csv.endsWith("\r\n"));
        QByteArrayList lines = csv.chopped(2).split('\n');
        for (QByteArray& line : lines) {
            QVERIFY(line.endsWith('\r') || &line == &lines.last());
            line = line.trimmed();
        }
        QCOMPARE(lines.takeFirst(), clsDaySummary::CsvHeader);
        QCOMPARE(lines, day.Csv);
        const clsDaySummary::Totals& t = summary.DayTotals();
        QCOMPARE(t.Trips + t.Stops, summary.Lines().size());
        QCOMPARE(t.MovingSeconds + t.StoppedSeconds, lines.last().split(',')[3].toLongLong());
    }

    // Each line names the records it spans, which the list and the map show.
    void linesSpanTheirRecords() {
        const clsTrackRecords records = DriveParkDrive();
        const clsDaySummary summary(records, {50, 5, 200}, {});
        const QList<clsDaySummary::Line>& lines = summary.Lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(std::pair(lines[0].First, lines[0].Last), std::pair(qsizetype(0), qsizetype(62)));
        QCOMPARE(std::pair(lines[1].First, lines[1].Last), std::pair(qsizetype(62), qsizetype(63)));
        QCOMPARE(std::pair(lines[2].First, lines[2].Last), std::pair(qsizetype(63), qsizetype(93)));
        QCOMPARE(records.Count(), 94);
        QCOMPARE(records.At(lines[1].First).FixTime, "2009/02/18 10:10:00");
    }

    // The chart's points: a break for a gap longer than the stop time, instants that never
    // go back, records without a readable time left out.
    void chartsTheSpeeds_data() {
        QTest::addColumn<clsTrackRecords>("records");
        QTest::addColumn<double>("stopMinutes");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QList<int>>("pointOfRecord");
        // 10:00 CET is 09:00 UTC, 1234947600 s after 1970.
        QTest::newRow("a gap longer than the stop time")
            << Timed({"10:00:00 5", "10:00:10 12.5", "10:06:10 0", "10:06:20 7"}) << 5.0
            << QByteArray("{\"title\":\"2009/02/18\",\"start\":1234947600,\"x\":[0,10,190,370,380],"
                          "\"y\":[5,12.5,null,0,7]}")
            << QList<int>{0, 1, 3, 4};
        QTest::newRow("a gap of the stop time")
            << Timed({"10:00:00 5", "10:05:00 6"}) << 5.0
            << QByteArray("{\"title\":\"2009/02/18\",\"start\":1234947600,\"x\":[0,300],"
                          "\"y\":[5,6]}")
            << QList<int>{0, 1};
        QTest::newRow("out of order, unreadable time")
            << Timed({"10:00:00 5", "09:59:00 6", "soon 7", "10:00:30 8"}) << 5.0
            << QByteArray("{\"title\":\"2009/02/18\",\"start\":1234947600,\"x\":[0,0,30],"
                          "\"y\":[5,6,8]}")
            << QList<int>{0, 1, -1, 2};
        // 01:50 CEST (23:50 UTC) to 03:10 CET is 8400 s, longer than a stop.
        QTest::newRow("clocks go back, two days")
            << Timed({"2023/10/28 23:59:00 1", "2023/10/29 01:50:00 2", "2023/10/29 03:10:00 3"})
            << 200.0
            << QByteArray("{\"title\":\"2023/10/28 - 2023/10/29\",\"start\":1698530340,"
                          "\"x\":[0,6660,15060],\"y\":[1,2,3]}")
            << QList<int>{0, 1, 2};
        QTest::newRow("empty") << clsTrackRecords() << 5.0
                               << QByteArray("{\"title\":\"\",\"start\":0,\"x\":[],\"y\":[]}")
                               << QList<int>{};
    }

    void chartsTheSpeeds() {
        QFETCH(clsTrackRecords, records);
        QFETCH(double, stopMinutes);
        QFETCH(QByteArray, json);
        QFETCH(QList<int>, pointOfRecord);
        const clsSpeedChart chart(records, stopMinutes);
        QCOMPARE(chart.Json(), json);
        QList<int> points;
        for (qsizetype record = 0; record < records.Count(); ++record) {
            points << int(chart.PointOfRecord(record));
            if (points.last() >= 0) {
                QCOMPARE(chart.RecordOfPoint(points.last()), record);
            }
        }
        QCOMPARE(points, pointOfRecord);
        QCOMPARE(chart.PointOfRecord(records.Count()), -1);
    }

    // A click finds the record nearest in time, never a break.
    void chartFindsTheNearestRecord_data() {
        QTest::addColumn<double>("after"); // seconds after the first record
        QTest::addColumn<int>("record");
        QTest::newRow("before the first") << -100.0 << 0;
        QTest::newRow("nearer the second") << 6.0 << 1;
        QTest::newRow("in the gap, nearer its start") << 100.0 << 1;
        QTest::newRow("in the gap, half way: the earlier") << 190.0 << 1;
        QTest::newRow("in the gap, nearer its end") << 191.0 << 2;
        QTest::newRow("after the last") << 1e6 << 3;
    }

    void chartFindsTheNearestRecord() {
        QFETCH(double, after);
        QFETCH(int, record);
        const clsSpeedChart chart(
            Timed({"10:00:00 5", "10:00:10 12.5", "10:06:10 0", "10:06:20 7"}), 5);
        QCOMPARE(chart.RecordOfPoint(chart.NearestPoint(1234947600 + after)), record);
        QCOMPARE(clsSpeedChart(clsTrackRecords(), 5).NearestPoint(0), -1);
    }

    // The summary as the operator reads it: a stop's place is its point of interest or its
    // position; durations in hours, minutes and seconds.
    void reportsTheDay() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("Language.ini"), "[Day]\r\n0014=Fahrt\r\n"));
        const clsProfileText language = modPrivate::LoadLanguage(dir.path());
        const clsDayReport named(clsDaySummary(DriveParkDrive(), {50, 5, 200}, Pois()), language);
        QCOMPARE(named.Rows().size(), 3);
        QCOMPARE(named.Rows()[0],
                 (QStringList{"Fahrt", "2009/02/18 10:00:00", "2009/02/18 10:10:00", "0:10:00",
                              "6.173", "24.0", "20.0", ""}));
        QCOMPARE(named.Rows()[1], (QStringList{"Stop", "2009/02/18 10:10:00", "2009/02/18 10:30:00",
                                               "0:20:00", "", "", "", "Depot \"A\", north"}));
        const clsDayReport unnamed(clsDaySummary(DriveParkDrive(), {50, 5, 200}, {}), language);
        QCOMPARE(unnamed.Rows()[1].last(), "25.055518, 121.500000");
        QCOMPARE(
            named.TotalsText(),
            "2009/02/18 10:00:00 to 2009/02/18 10:35:00\nTrips: 2, stops: 1. Driven 9.260 km in "
            "0:15:00, stopped 0:20:00; max. 24.0 kn, avg. 20.0 kn");
        QVERIFY(named.Html("Day <1>").contains("<h2>Day &lt;1&gt;</h2>"));
        QVERIFY(named.Html("Day").contains("<td>Depot &quot;A&quot;, north</td>"));
        QCOMPARE(clsDayReport::DurationText(100 * 3600 + 61), "100:01:01");
    }

    void parametersComeFromTheSettings_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QList<double>>("read");
        QTest::newRow("missing") << QByteArray() << QList<double>{50, 5, 200};
        QTest::newRow("given")
            << QByteArray("[Day]\r\nStopRadius=80\r\nStopMinutes=2.5\r\nPoiRadius=0\r\n")
            << QList<double>{80, 2.5, 0};
        QTest::newRow("each bad value alone falls back")
            << QByteArray("[Day]\r\nStopRadius=abc\r\nStopMinutes=0\r\nPoiRadius=-3\r\n")
            << QList<double>{50, 5, 200};
        QTest::newRow("only the bad one falls back")
            << QByteArray("[Day]\r\nStopRadius=35\r\nStopMinutes=99999\r\nPoiRadius=150\r\n")
            << QList<double>{35, 5, 150};
    }

    void parametersComeFromTheSettings() {
        QFETCH(QByteArray, settings);
        QFETCH(QList<double>, read);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("vendrel.ini"), settings));
        const clsDaySummary::Parameters p = clsDaySummary::Parameters::Read(dir.path());
        QCOMPARE((QList<double>{p.StopRadius, p.StopMinutes, p.PoiRadius}), read);
    }

    void parametersAreWrittenBack() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("vendrel.ini"), "[Day]\r\nStopRadius=80\r\n"));
        QVERIFY((clsDaySummary::Parameters{12.5, 7, 333}.Write(dir.path())));
        const clsDaySummary::Parameters p = clsDaySummary::Parameters::Read(dir.path());
        QCOMPARE((QList<double>{p.StopRadius, p.StopMinutes, p.PoiRadius}),
                 (QList<double>{12.5, 7, 333}));
    }
};

QTEST_GUILESS_MAIN(tst_DaySummary)
#include "tst_DaySummary.moc"
