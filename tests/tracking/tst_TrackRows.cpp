// The compact track and the list rows made from it on demand.

#include "tracking/clsDateViewModel.h"
#include "tracking/clsTrackRecords.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

PositionFix Fix(const QString& time, const QString& ns, double latitude, const QString& ew,
                double longitude, float speed, float direction, const QString& status) {
    PositionFix fix;
    fix.FixTime = time;
    fix.NorthSouth = ns;
    fix.Latitude = latitude;
    fix.EastWest = ew;
    fix.Longitude = longitude;
    fix.Speed = speed;
    fix.Direction = direction;
    fix.Status = status;
    return fix;
}

const PositionFix Usual =
    Fix("2009/02/18 13:45:10", "N", 25.03539, "E", 121.57613, 10.5f, 123.4f, "A");

// The keys of the columns after the first.
const QStringList Keys = {"Date", "CheckPoint", "Latitude", "LONGITUDE", "Direction", "SPEED"};

void AddColumns(clsDateViewModel& rows) {
    rows.AddColumn({"Index", "No.", 800});
    for (const QString& key : Keys) {
        rows.AddColumn({key, key, 1200});
    }
}

// What the list shows in row row, column by column.
QStringList Shown(const clsDateViewModel& rows, int row) {
    QStringList texts;
    for (int column = 0; column < rows.columnCount(); ++column) {
        texts << rows.data(rows.index(row, column)).toString();
    }
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(PositionFix)

class tst_TrackRows : public QObject {
    Q_OBJECT

private slots:
    // Each fix stands between two usual ones and next to a copy of itself, so that a code
    // that reaches the wrong entry of a table shows.
    void fixesComeBackExactly_data() {
        QTest::addColumn<PositionFix>("fix");
        QTest::newRow("usual") << Usual;
        QTest::newRow("south, west, warning")
            << Fix("2024/12/31 23:59:59", "S", 38.9085, "W", 77.44087, 0, 359.9f, "V");
        QTest::newRow("no fix: empty letters, zero position")
            << Fix("0000/01/01 00:00:00", "", 0, "", 0, 3.5f, 271.3f, "V");
        QTest::newRow("empty time") << Fix("", "N", 1, "E", 2, 0, 0, "A");
        QTest::newRow("time with wide digits")
            << Fix(QString::fromUtf8("２００９/02/18 13:45:10"), "N", 1, "E", 2, 0, 0, "A");
        QTest::newRow("time beyond the calendar")
            << Fix("9999/99/99 99:99:99", "N", 1, "E", 2, 0, 0, "A");
        QTest::newRow("received letters of any kind")
            << Fix("2009/02/18 13:45:10", "n ", 1, QString::fromUtf8("東"), 2, -1.5f, 1e20f, "A|B");
        QTest::newRow("extreme numbers") << Fix("2009/02/18 13:45:10", "N", 1e-300, "E",
                                                1.7976931348623157e308, 3.4028235e38f, -0.0f, "A");
    }

    void fixesComeBackExactly() {
        QFETCH(PositionFix, fix);
        clsTrackRecords track;
        for (const PositionFix& appended : {Usual, fix, fix, Usual}) {
            track.Append(appended);
        }
        QCOMPARE(track.Count(), 4);
        QCOMPARE(track.At(1), fix);
        QCOMPARE(track.At(2), fix);
        QCOMPARE(track.At(3), Usual);
        QCOMPARE(track.At(4), PositionFix{});  // the spare
        QCOMPARE(track.At(-1), PositionFix{}); // no such element
        track.Clear();
        QCOMPARE(track.Count(), 0);
        track.Append(fix);
        QCOMPARE(track.At(0), fix);
    }

    // The texts the list has always shown, made from the fix when the row is asked for.
    void rowTexts_data() {
        QTest::addColumn<PositionFix>("fix");
        QTest::addColumn<QStringList>("texts"); // column by column
        const QString deg = QString::fromUtf8("\u00B0");
        QTest::newRow("valid fix") << Usual
                                   << QStringList{"2",
                                                  "2009/02/18 13:45:10",
                                                  " Real time position",
                                                  "N 25" + deg + " 02' 07\" ",
                                                  "E 121" + deg + " 34' 34\" ",
                                                  "123.4",
                                                  "10.5Knots"};
        QTest::newRow("receiver warning, south and west")
            << Fix("2009/02/18 13:45:11", "S", 38.9085, "W", 77.44087, 1234, 271.3f, "V")
            << QStringList{"2",
                           "2009/02/18 13:45:11",
                           " Last location",
                           "S 38" + deg + " 54' 31\" ",
                           "W 77" + deg + " 26' 27\" ",
                           "271.3",
                           "1,234  Knots"};
        QTest::newRow("no fix")
            << Fix("2009/02/18 13:45:12", "", 0, "", 0, 0, 0, "")
            << QStringList{"2", "2009/02/18 13:45:12", " Last location", "", "", "0", "0  Knots"};
    }

    void rowTexts() {
        QFETCH(PositionFix, fix);
        QFETCH(QStringList, texts);
        clsTrackRecords track;
        track.Append(Usual);
        track.Append(fix);
        clsDateViewModel rows(track);
        AddColumns(rows);
        rows.SetSpeedUnit("Knots");
        rows.AnnounceAppended();
        QCOMPARE(Shown(rows, 1), texts);
        QCOMPARE(QStringList({rows.RowKey(1), rows.ItemText(1), rows.SubItemText(1, "SPEED"),
                              rows.SubItemText(1, "speed")}),
                 QStringList({"#1", "2", texts.last(), ""})); // keys are case-sensitive
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
        QCOMPARE(Shown(rows, 0), QStringList({"1", "NO Date", "", "", "", "", ""}));
        QCOMPARE(QStringList({rows.RowKey(0), rows.SubItemText(0, "DialTime"),
                              rows.SubItemText(0, "Date"), rows.RowKey(1)}),
                 QStringList({"#0", "NO Date", "", ""}));

        track.Append(Usual); // the next fetch, announced without a reset
        rows.AnnounceAppended();
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(Shown(rows, 0)[1], "2009/02/18 13:45:10");
    }
};

QTEST_GUILESS_MAIN(tst_TrackRows)
#include "tst_TrackRows.moc"
