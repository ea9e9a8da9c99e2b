#include "poi/CoordinateRecord.h"
#include "poi/clsDBError.h"
#include "poi/clsDBLib.h"
#include "shell/modPrivate.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <sqlcipher/sqlite3.h>

namespace {

// Runs sql on the file beside the class (key may be empty: no encryption) and gives the
// first column of the last row, "<null>" for null, "" when there is none, "<error>".
QString Raw(const QString& path, const QByteArray& key, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    if (!key.isEmpty()) {
        sqlite3_key(db, key.constData(), static_cast<int>(key.size()));
    }
    QString result;
    auto row = [](void* out, int, char** values, char**) {
        *static_cast<QString*>(out) = values[0] ? QString::fromUtf8(values[0]) : "<null>";
        return 0;
    };
    const int rc = sqlite3_exec(db, sql, row, &result, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? result : QStringLiteral("<error>");
}

QList<CoordinateRecord> ListAll(clsDBLib& db) {
    QList<CoordinateRecord> rows;
    db.OpenCoordinateRecordset();
    CoordinateRecord r;
    while (db.FetchCoordinateRecord(r.SeqNo, r.X, r.Y, r.Kind, r.Explanation)) {
        rows.append(std::exchange(r, {}));
    }
    db.CloseVehicleRecordset();
    return rows;
}

bool Exists(clsDBLib& db, const QString& explanation) {
    bool eof = false;
    db.SearchCoordinate(explanation, eof);
    return !eof;
}

} // namespace

class TestClsDBLib : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;
    clsDBLib db_;

private slots:
    void init() {
        path_ = dir_.path() + QStringLiteral("/database/POI.mdb");
        QFile::remove(path_);
        db_.OpenConnection(path_);
    }
    void cleanup() { db_.CloseConnection(); }

    void statementTexts_data() {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        const QString insert = "INSERT INTO POI  ( X , Y , Kind , Explanation ) VALUES ";
        QTest::newRow("insert") << clsDBLib::InsertStatement(120.684722, 24.106388, "1",
                                                             "Station's Gate")
                                << insert + "(120.684722,24.106388,'1','Station''s Gate')";
        QTest::newRow("insert trimmed, 15 digits")
            << clsDBLib::InsertStatement(-58.123456789012345, -34.6, " 2 ", "  Plaza  ")
            << insert + "(-58.1234567890123,-34.6,'2','Plaza')";
        QTest::newRow("search") << clsDBLib::SearchStatement("  Station's Gate ")
                                << "Select * From POI Where Explanation='Station''s Gate'";
        QTest::newRow("update") << clsDBLib::UpdateStatement(1, 120.6, 24.1, "1", "Gate")
                                << "UPDATE POI Set X=120.6,Y=24.1,Kind='1',Explanation='Gate'"
                                   "Where Seqno=1";
        QTest::newRow("update, 32-bit key")
            << clsDBLib::UpdateStatement(40000, 121.5, 25, " 3", "O'Hare ")
            << "UPDATE POI Set X=121.5,Y=25,Kind='3',Explanation='O''Hare'Where Seqno=40000";
        QTest::newRow("delete untrimmed") << clsDBLib::DeleteStatement(" Gate's ")
                                          << "Delete from POI where Explanation =' Gate''s '";
        QTest::newRow("list") << clsDBLib::ListStatement() << "Select * from  POI";
    }
    void statementTexts() {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    void apostrophes_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("inside") << "Station's Gate";
        QTest::newRow("alone") << "'";
        QTest::newRow("injection") << "x'); DELETE FROM POI; --";
        QTest::newRow("chinese") << QString::fromUtf8("台中's 車站");
    }
    void apostrophes() {
        QFETCH(QString, text);
        db_.InsertCoordinate(120.6, 24.1, "9", "keep");
        db_.InsertCoordinate(120.6, 24.1, "1", text);
        QVERIFY(Exists(db_, text));
        QCOMPARE(ListAll(db_).at(1).Explanation, text);
        db_.DeleteCoordinate(text);
        QVERIFY(!Exists(db_, text));
        QCOMPARE(ListAll(db_).size(), 1);
    }

    void trimmingAndDuplicates() {
        db_.InsertCoordinate(120.6, 24.1, "  1 ", "   Gate  ");
        db_.InsertCoordinate(121, 25, "2", "Gate");
        db_.InsertCoordinate(122, 26, "3", "Tower");
        QCOMPARE(Raw(path_, "7314", "SELECT Kind || '|' || Explanation FROM POI WHERE SeqNo=1"),
                 QStringLiteral("1|Gate"));
        QVERIFY(Exists(db_, "  Gate   "));
        QVERIFY(!Exists(db_, "Gat"));
        db_.DeleteCoordinate(" Gate");
        QCOMPARE(ListAll(db_).size(), 3);
        db_.DeleteCoordinate("Gate");
        QVERIFY(!Exists(db_, "Gate"));
        QCOMPARE(ListAll(db_).at(0).Explanation, QStringLiteral("Tower"));
    }

    void endOfListingLeavesArgumentsAlone() {
        QString seq = "s", kind = "k", text = "t";
        double x = -1, y = -2;
        db_.OpenCoordinateRecordset();
        QVERIFY(!db_.FetchCoordinateRecord(seq, x, y, kind, text));
        QCOMPARE(QStringList({seq, kind, text}), QStringList({"s", "k", "t"}));
        QCOMPARE(x, -1.0);
        QCOMPARE(y, -2.0);
        db_.CloseVehicleRecordset();
        QVERIFY_THROWS_EXCEPTION(clsDBError, db_.FetchCoordinateRecord(seq, x, y, kind, text));
    }

    void nullColumns() {
        QCOMPARE(Raw(path_, "7314",
                     "INSERT INTO POI (X, Y) VALUES (1.5, 2.5);"
                     "INSERT INTO POI (X, Y, Explanation) VALUES (NULL, 2, 'bad')"),
                 QString());
        QString seq, kind = "k", text = "t";
        double x = 0, y = 0;
        db_.OpenCoordinateRecordset();
        QVERIFY(db_.FetchCoordinateRecord(seq, x, y, kind, text));
        QCOMPARE(QStringList({seq, kind, text}), QStringList({"1", "", ""}));
        QCOMPARE(x, 1.5);
        // A null coordinate fails and the cursor stays on that row.
        QVERIFY_THROWS_EXCEPTION(clsDBError, db_.FetchCoordinateRecord(seq, x, y, kind, text));
        QVERIFY_THROWS_EXCEPTION(clsDBError, db_.FetchCoordinateRecord(seq, x, y, kind, text));
        QCOMPARE(seq, QStringLiteral("1"));
    }

    void numbersIgnoreCommaLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        db_.InsertCoordinate(121.5, 24.25, "1", "Komma");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(Raw(path_, "7314", "SELECT typeof(X) || ' ' || X || ' ' || Y FROM POI"),
                 QStringLiteral("real 121.5 24.25"));
        QCOMPARE(ListAll(db_).at(0).X, 121.5);
    }

    void updateRunsAsWrittenWithLargeKeys() {
        QCOMPARE(Raw(path_, "7314", "INSERT INTO POI VALUES (40000, 1, 2, '1', 'far')"), QString());
        db_.InsertCoordinate(3, 4, "1", "other");
        db_.UpdateCoordinate(40000, 120.6, -24.1, " 5 ", " Station's Gate ");
        const auto rows = ListAll(db_);
        QCOMPARE(rows.size(), 2);
        const auto& moved = rows[0].SeqNo == "40000" ? rows[0] : rows[1];
        QCOMPARE(QStringList({moved.SeqNo, moved.Kind, moved.Explanation}),
                 QStringList({"40000", "5", "Station's Gate"}));
        QCOMPARE(moved.X, 120.6);
        QCOMPARE(moved.Y, -24.1);
    }

    void searchKeepsListingInProgress() {
        db_.InsertCoordinate(1, 2, "1", "a");
        db_.InsertCoordinate(3, 4, "1", "b");
        CoordinateRecord r;
        db_.OpenCoordinateRecordset();
        QVERIFY(db_.FetchCoordinateRecord(r.SeqNo, r.X, r.Y, r.Kind, r.Explanation));
        QVERIFY(Exists(db_, "a"));
        QVERIFY(db_.FetchCoordinateRecord(r.SeqNo, r.X, r.Y, r.Kind, r.Explanation));
        QCOMPARE(r.Explanation, QStringLiteral("b"));
    }

    void encryptedFileKeepsRows() {
        db_.InsertCoordinate(121.5, 25, "2", QString::fromUtf8("PlainMarker 中文"));
        db_.CloseConnection();
        QFile file(path_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.size() >= 1024 && !bytes.startsWith("SQLite format 3"));
        QVERIFY(!bytes.contains("PlainMarker"));
        db_.OpenConnection(path_);
        QCOMPARE(ListAll(db_).at(0).Explanation, QString::fromUtf8("PlainMarker 中文"));
    }

    void unreadableFileFailsAtOpen_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("other password") << QByteArray("1234") << QByteArray();
        QTest::newRow("not encrypted") << QByteArray() << QByteArray();
        QTest::newRow("plain text") << QByteArray() << QByteArray("[Settings]\r\n").repeated(99);
    }
    void unreadableFileFailsAtOpen() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, text);
        QTemporaryDir other;
        const QString path = other.path() + QStringLiteral("/POI.mdb");
        QFile file(path);
        if (text.isEmpty()) {
            QCOMPARE(Raw(path, key,
                         "CREATE TABLE POI (SeqNo INTEGER PRIMARY KEY, X, Y, Kind, "
                         "Explanation)"),
                     QString());
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
            file.close();
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        clsDBLib db;
        QVERIFY_THROWS_EXCEPTION(clsDBError, db.OpenConnection(path));
        QVERIFY(!db.IsOpen());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void missingFolderIsCreated() {
        QTemporaryDir empty;
        const QString path =
            modPrivate::ProgramPath(empty.path(), QStringLiteral("database/POI.mdb"));
        clsDBLib db;
        db.OpenConnection(path);
        db.InsertCoordinate(1, 2, "1", "new");
        QCOMPARE(Raw(path, "7314", "SELECT Explanation FROM POI"), QStringLiteral("new"));
    }

    void closedConnectionRefusesWork() {
        QVERIFY_THROWS_EXCEPTION(clsDBError, db_.OpenConnection(path_));
        db_.CloseConnection();
        db_.CloseConnection();
        QVERIFY_THROWS_EXCEPTION(clsDBError, db_.InsertCoordinate(1, 2, "1", "x"));
        db_.OpenConnection(path_);
    }
};

QTEST_GUILESS_MAIN(TestClsDBLib)
#include "test_clsDBLib.moc"
