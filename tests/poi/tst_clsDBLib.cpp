#include "poi/PoiTestSupport.h"
#include "poi/clsDBLib.h"
#include "shell/clsStationError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every row as the listing delivers it: "X Y Kind|Explanation".
QStringList Listed(clsDBLib& db) {
    QStringList rows;
    QString seq, kind = "?", text = "?";
    double x = 0, y = 0;
    db.OpenCoordinateRecordset();
    while (db.FetchCoordinateRecord(seq, x, y, kind, text)) {
        rows << QStringLiteral("%1 %2 %3|%4").arg(x).arg(y).arg(kind, text);
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

// Registered GERMAN as well, so every case also runs under a comma-decimal locale.
class TestClsDBLib : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    QString m_path;
    clsDBLib m_db;

private slots:
    // Each case starts without the database folder, so opening has to create it.
    void init() {
        m_dir.emplace();
        m_path = m_dir->path() + QStringLiteral("/database/POI.mdb");
        m_db.OpenConnection(m_path);
    }
    void cleanup() { m_db.CloseConnection(); }

    void statementTexts() {
        QCOMPARE(clsDBLib::InsertStatement(-58.123456789012345, 24.1, " 1 ", " A's "),
                 "INSERT INTO POI  ( X , Y , Kind , Explanation ) VALUES "
                 "(-58.1234567890123,24.1,'1','A''s')");
        QCOMPARE(clsDBLib::SearchStatement("  Station's Gate "),
                 "Select * From POI Where Explanation='Station''s Gate'");
        QCOMPARE(clsDBLib::UpdateStatement(40000, 121.5, 25, " 3", "O'Hare "),
                 "UPDATE POI Set X=121.5,Y=25,Kind='3',Explanation='O''Hare'Where Seqno=40000");
        QCOMPARE(clsDBLib::DeleteStatement(" Gate's "),
                 "Delete from POI where Explanation =' Gate''s '");
        QCOMPARE(clsDBLib::ListStatement(), "Select * from  POI");
    }

    void storedFoundDeleted_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << "Station's Gate";
        QTest::newRow("apostrophe alone") << "'";
        QTest::newRow("injection") << "x'); DELETE FROM POI; --";
        QTest::newRow("chinese") << QString::fromUtf8("台中's 車站");
    }
    // Stored trimmed, found trimmed, deleted only by the exact text, duplicates together.
    void storedFoundDeleted() {
        QFETCH(QString, text);
        m_db.InsertCoordinate(1, 2, "9", "keep");
        m_db.InsertCoordinate(3, 4, " 1 ", "  " + text + " ");
        m_db.InsertCoordinate(5, 6, "2", text);
        QCOMPARE(Raw(m_path, "SELECT Kind || Explanation FROM POI WHERE SeqNo=2"), "1" + text);
        QVERIFY(Exists(m_db, " " + text) && !Exists(m_db, text.chopped(1)));
        m_db.DeleteCoordinate(" " + text);
        QCOMPARE(Listed(m_db), QStringList({"1 2 9|keep", "3 4 1|" + text, "5 6 2|" + text}));
        m_db.DeleteCoordinate(text);
        QCOMPARE(Listed(m_db), QStringList({"1 2 9|keep"}));
    }

    void emptyAndNullColumns() {
        QString seq = "s", kind = "k", text = "t";
        double x = -1, y = -2;
        m_db.OpenCoordinateRecordset();
        QVERIFY(!m_db.FetchCoordinateRecord(seq, x, y, kind, text));
        QCOMPARE(QStringList({seq, kind, text}), QStringList({"s", "k", "t"}));
        QVERIFY(x == -1 && y == -2);
        QCOMPARE(Raw(m_path, "INSERT INTO POI (X, Y) VALUES (1.5, 2.5)"), "");
        QCOMPARE(Listed(m_db), QStringList({"1.5 2.5 |"}));
        // A null coordinate cannot be delivered as a number.
        QCOMPARE(Raw(m_path, "INSERT INTO POI (Y, Explanation) VALUES (2, 'bad')"), "");
        QVERIFY_THROWS_EXCEPTION(clsStationError, Listed(m_db));
    }

    void fileIsEncryptedWithPointDecimals() {
        m_db.InsertCoordinate(121.5, 24.25, "2", "PlainMarker");
        m_db.CloseConnection();
        const QByteArray bytes = Bytes(m_path);
        QVERIFY(bytes.size() >= 1024 && !bytes.startsWith("SQLite format 3"));
        QVERIFY(!bytes.contains("PlainMarker"));
        QCOMPARE(
            Raw(m_path, "SELECT typeof(X) || ' ' || X || ' ' || Y || ' ' || Explanation FROM POI"),
            "real 121.5 24.25 PlainMarker");
    }

    // Neither is touched: a failed open must not replace the user's file.
    void unreadableFileFailsAtOpen() {
        const QString otherKey = m_dir->path() + "/other.mdb", text = m_dir->path() + "/text.mdb";
        QCOMPARE(Raw(otherKey, "CREATE TABLE POI (X)", "1234"), "");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write(QByteArray("[Settings]\r\n").repeated(99)) > 0);
        file.close();
        for (const QString& path : {otherKey, text}) {
            const QByteArray before = Bytes(path);
            clsDBLib db;
            QVERIFY_THROWS_EXCEPTION(clsStationError, db.OpenConnection(path));
            QCOMPARE(Bytes(path), before);
        }
    }

    // The station's own database at start-up: the message names the file, and for a file
    // that cannot be this station's database says how to start afresh. The file stays.
    void stationDatabaseMessages_data() {
        QTest::addColumn<QByteArray>("make"); // how POI.mdb is made
        QTest::addColumn<bool>("moveAside");
        QTest::newRow("another key") << QByteArray("other key") << true;
        QTest::newRow("a text file") << QByteArray("text") << true;
        QTest::newRow("cut short") << QByteArray("cut") << true;
        QTest::newRow("a folder") << QByteArray("folder") << false;
    }

    void stationDatabaseMessages() {
        QFETCH(QByteArray, make);
        QFETCH(bool, moveAside);
        QTemporaryDir folder(QDir::tempPath() + QString::fromUtf8("/站台-XXXXXX"));
        const QString path = folder.filePath("database/POI.mdb");
        QVERIFY(QDir().mkpath(make == "folder" ? path : folder.filePath("database")));
        if (make == "other key") {
            QCOMPARE(Raw(path, "CREATE TABLE POI (X)", "1234"), "");
        } else if (make != "folder") {
            for (int i = 0; i < 100; ++i) {
                m_db.InsertCoordinate(i, i, "1", QString(40, QChar('a' + i % 26)));
            }
            const QByteArray whole = Bytes(m_path);
            QVERIFY(whole.size() > 4096);
            QFile file(path);
            const QByteArray bytes = make == "cut" ? whole.first(whole.size() / 2) : "[Track]\n";
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        const QByteArray before = Bytes(path);
        clsDBLib db;
        QString message;
        try {
            db.OpenStationDatabase(folder.path());
        } catch (const clsStationError& error) {
            message = error.Message();
        }
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QCOMPARE(message.contains("Move the file aside"), moveAside);
        QVERIFY(!db.IsOpen());
        QCOMPARE(Bytes(path), before);
    }
};

QTEST_GUILESS_MAIN(TestClsDBLib)
#include "tst_clsDBLib.moc"
