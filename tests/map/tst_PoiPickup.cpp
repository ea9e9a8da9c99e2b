#include "map/MapTestSupport.h"
#include "map/clsPoiPickup.h"
#include "poi/clsDBLib.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <optional>
#include <sqlcipher/sqlite3.h>

namespace {

// Every stored point as "Explanation Y X Kind", in the order of the listing.
QStringList Stored(clsDBLib& db) {
    QStringList rows;
    QString seq, kind, text;
    double x = 0, y = 0;
    db.OpenCoordinateRecordset();
    while (db.FetchCoordinateRecord(seq, x, y, kind, text)) {
        rows << QStringLiteral("%1 %2 %3 %4").arg(text).arg(y).arg(x).arg(kind);
    }
    db.CloseVehicleRecordset();
    return rows;
}

} // namespace

class TestPoiPickup : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    clsDBLib m_db;

    QString DatabasePath() const { return m_dir->filePath("database/POI.mdb"); }
    clsPoiPickup Pickup() const { return clsPoiPickup(m_dir->path()); }

    // Runs sql on the database file beside the station's own connection.
    bool Raw(const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(DatabasePath()).constData(), &db);
        sqlite3_key(db, "7314", 4);
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc == SQLITE_OK;
    }

private slots:
    void init() {
        m_dir.emplace();
        QVERIFY(MakeMapFolder(m_dir->path()));
        m_db.OpenConnection(DatabasePath());
    }
    void cleanup() {
        m_db.CloseConnection();
        m_dir.reset();
    }

    void take_data() {
        QTest::addColumn<QStringList>("before");  // names stored before the take
        QTest::addColumn<QByteArray>("pickup");   // null: no pick-up file
        QTest::addColumn<QByteArray>("leftOver"); // null: no file left by a failed take
        QTest::addColumn<QStringList>("after");   // points taken, in order
        const QByteArray none;
        QTest::newRow("no file") << QStringList() << none << none << QStringList();
        QTest::newRow("a name twice and an empty line")
            << QStringList() << QByteArray("Gate,24.1,120.6\r\nGate,25,121\r\n\r\n") << none
            << QStringList{"Gate 24.1 120.6 1"};
        QTest::newRow("a name and one number")
            << QStringList() << QByteArray("Gate,24.1\r\n") << none << QStringList();
        QTest::newRow("coordinates that are no numbers")
            << QStringList() << QByteArray("A,north,120\r\nB,24,east\r\nC,-24.5,-121.5\r\n") << none
            << QStringList{"C -24.5 -121.5 1"};
        QTest::newRow("coordinates off the globe")
            << QStringList() << QByteArray("D,91,121\r\nE,24,180.5\r\nF,90,-180\r\n") << none
            << QStringList{"F 90 -180 1"};
        QTest::newRow("names stored already")
            << QStringList{"Gate"} << QByteArray("Gate,1,2\r\n") << none << QStringList();
        QTest::newRow("more fields, bare line feeds, UTF-8")
            << QStringList() << QByteArray("車站,25,121.5,ignored,too\nX,1,2") << none
            << QStringList{"車站 25 121.5 1", "X 1 2 1"};
        QTest::newRow("left by a failed take, taken first")
            << QStringList() << QByteArray("New,3,4\r\n") << QByteArray("Old,1,2\r\n")
            << QStringList{"Old 1 2 1", "New 3 4 1"};
    }
    void take() {
        QFETCH(QStringList, before);
        QFETCH(QByteArray, pickup);
        QFETCH(QByteArray, leftOver);
        QFETCH(QStringList, after);
        const clsPoiPickup p = Pickup();
        for (const QString& name : before) {
            m_db.InsertCoordinate(9, 9, "2", name);
        }
        QVERIFY(pickup.isNull() || WriteBytes(p.PickupPath(), pickup));
        QVERIFY(leftOver.isNull() || WriteBytes(p.TakingPath(), leftOver));

        const clsPoiPickup::Result result = p.Take(m_db);
        QCOMPARE(result.Found, !pickup.isNull());
        QCOMPARE(result.Error, QString());
        QCOMPARE(result.Inserted, after.size());
        QCOMPARE(Stored(m_db).mid(before.size()), after);
        QVERIFY(!QFile::exists(p.PickupPath()));
        QVERIFY(!QFile::exists(p.TakingPath()));
    }

    // A refusing database keeps the file for the next take; a point marked meanwhile
    // goes to a new pick-up file and is taken as well.
    void databaseErrorKeepsTheFile() {
        const clsPoiPickup p = Pickup();
        QVERIFY(Raw("CREATE TRIGGER refuse BEFORE INSERT ON POI "
                    "BEGIN SELECT RAISE(ABORT, 'the disk refused'); END;"));
        QVERIFY(WriteBytes(p.PickupPath(), "Gate,24.1,120.6\r\nPark,24.2,120.7\r\n"));
        clsPoiPickup::Result result = p.Take(m_db);
        QVERIFY(result.Found);
        QVERIFY2(result.Error.contains("the disk refused"), qPrintable(result.Error));
        QCOMPARE(result.Inserted, 0);
        QVERIFY(!QFile::exists(p.PickupPath()));
        QCOMPARE(FileBytes(p.TakingPath()), "Gate,24.1,120.6\r\nPark,24.2,120.7\r\n");

        QCOMPARE(p.AppendPoint("Pier", 24.3, 120.8), QString());
        QVERIFY(Raw("DROP TRIGGER refuse;"));
        result = p.Take(m_db);
        QCOMPARE(result.Error, QString());
        QCOMPARE(result.Inserted, 3);
        QCOMPARE(Stored(m_db),
                 (QStringList{"Gate 24.1 120.6 1", "Park 24.2 120.7 1", "Pier 24.3 120.8 1"}));
        QVERIFY(!QFile::exists(p.TakingPath()) && !QFile::exists(p.PickupPath()));
    }

    void appendPoint_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QByteArray>("line"); // empty: refused
        QTest::newRow("plain") << "Gate" << 24.1 << 120.6 << QByteArray("Gate,24.1,120.6\r\n");
        QTest::newRow("south-west")
            << " Pier " << -33.85 << -151.2 << QByteArray("Pier,-33.85,-151.2\r\n");
        QTest::newRow("commas and line breaks")
            << QStringLiteral("Night,\r\nmarket\u2028 east\n,1,2") << 1.0 << 2.0
            << QByteArray("Nightmarket east12,1,2\r\n");
        QTest::newRow("nothing left of the name")
            << QStringLiteral(" ,\r\n") << 1.0 << 2.0 << QByteArray();
        QTest::newRow("latitude beyond the pole") << "A" << 90.5 << 2.0 << QByteArray();
        QTest::newRow("longitude beyond the date line") << "A" << 1.0 << -180.5 << QByteArray();
        QTest::newRow("not a number") << "A" << std::nan("") << 2.0 << QByteArray();
    }
    void appendPoint() {
        QFETCH(QString, name);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QByteArray, line);
        const clsPoiPickup p = Pickup();
        QVERIFY(WriteBytes(p.PickupPath(), "Earlier,1,1\r\n"));
        const QString refusal = p.AppendPoint(name, latitude, longitude);
        QCOMPARE(refusal.isEmpty(), !line.isEmpty());
        QCOMPARE(FileBytes(p.PickupPath()), "Earlier,1,1\r\n" + line);
    }
};

QTEST_GUILESS_MAIN(TestPoiPickup)
#include "tst_PoiPickup.moc"
