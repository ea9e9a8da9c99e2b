// The POI database over a real encrypted file, and the editor's record logic and degree
// conversions over it. Registered GERMAN as well: the boxes and the stored numbers use "."
// in every locale.

#include "poi/PoiTestSupport.h"
#include "poi/clsDBLib.h"
#include "poi/clsPoiEditor.h"
#include "poi/modDms.h"
#include "shell/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>

using Notice = std::optional<clsPoiEditor::Notice>;

namespace {

DmsText Boxes(const QString& row) {
    const QStringList parts = row.split(QLatin1Char('|'));
    return {parts.value(0), parts.value(1), parts.value(2)};
}

QString Joined(const DmsText& boxes) {
    return boxes.Degrees + "|" + boxes.Minutes + "|" + boxes.Seconds;
}

// "! text" for an exclamation, "X text" for a critical message, "+close" when the editor
// has to close; "" for none.
QString Said(const Notice& notice) {
    return !notice ? QString()
                   : (notice->Critical ? "X " : "! ") + notice->Text +
                         (notice->CloseEditor ? "+close" : "");
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

// The operator's work on the editor over a table, and what is looked at afterwards.
struct Work {
    QString Table;  // SQL that fills the table
    QString Steps;  // as Run takes them
    QString Said;   // the notices given
    QString Stored; // "SeqNo X Y Kind|Explanation" joined by ";"; null: not looked at
    QString Seen;   // "counter|state explanation lon lat kind"; null: not looked at
    QString Keys;   // the enabled keyed buttons; null: not looked at
    QString Flag;   // the editor's ResultFlag, "1" or "0"; null: not looked at
};

} // namespace

Q_DECLARE_METATYPE(Work)

class tst_PoiEditor : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    std::optional<clsDBLib> m_db;
    std::optional<clsPoiEditor> m_editor;
    bool m_answer = true;
    std::optional<QString> m_search; // the confirmed text; none for a cancelled search
    clsPoiEditor::Prompts m_prompts{[this](const QString&, const QString&) { return m_answer; },
                                    [this] { return m_search; }};

    QString DatabasePath() const { return m_dir->filePath("database/POI.mdb"); }
    // The table as "SeqNo X Y Kind|Explanation", rows joined by ";".
    QString Stored() const {
        return Raw(DatabasePath(), "SELECT group_concat(SeqNo || ' ' || X || ' ' || Y || ' ' || "
                                   "Kind || '|' || Explanation, ';') FROM POI");
    }
    // The editor loaded over the table that sql fills, then the operator's steps,
    // separated by ";": a button key; "name=", "lon=", "lat=" or "kind=" with what the
    // operator puts in that field; "no" to answer the delete question no; "find=" with the
    // text confirmed in the search dialog, or "find" for a cancelled one; "lock=" with another
    // program's transaction held over the next step. The notices given, joined by " / ".
    QString Run(const QString& sql, const QString& steps) {
        if (Raw(DatabasePath(), sql.toUtf8().constData()) != "" || m_editor->Load()) {
            return "<not started>";
        }
        QStringList said;
        std::optional<DatabaseLock> lock;
        for (const QString& step : steps.split(';', Qt::SkipEmptyParts)) {
            const QString name = step.section('=', 0, 0), value = step.section('=', 1);
            clsPoiEditor::Fields fields = m_editor->ShowRecord().Shown;
            if (name == "name") {
                fields.Explanation = value;
            } else if (name == "lon" || name == "lat") {
                (name == "lon" ? fields.Longitude : fields.Latitude) = Boxes(value);
            } else if (name == "kind") {
                fields.Kind = value.toInt();
            } else if (name == "no") {
                m_answer = false;
            } else if (name == "find") {
                m_search = step.contains('=') ? std::optional(value) : std::nullopt;
            } else if (name == "lock") {
                lock.emplace(DatabasePath(), value.toUtf8().constData());
            } else {
                said << Said(m_editor->ButtonClick(name, m_prompts));
                lock.reset();
                continue;
            }
            m_editor->SetFields(fields); // what the boxes hold, changed or not
        }
        said.removeAll(QString());
        return said.join(" / ");
    }
    // "counter|state explanation lon lat kind" as the editor shows them.
    QString Seen() {
        const clsPoiEditor::View view = m_editor->ShowRecord();
        const clsPoiEditor::Fields& f = view.Shown;
        return QStringLiteral("%1|%2 %3 %4 %5 %6")
            .arg(view.Counter, view.State, f.Explanation, Joined(f.Longitude), Joined(f.Latitude))
            .arg(f.Kind);
    }

private slots:
    // Each case starts without the database folder, so opening has to create it.
    void init() {
        m_dir.emplace();
        QVERIFY(
            QFile::copy(STATION_SOURCE_DIR "/data/Language.ini", m_dir->filePath("Language.ini")));
        m_db.emplace(); // closes the database of the case before; its editor is replaced next
        m_db->OpenConnection(DatabasePath());
        m_editor.emplace(m_dir->path(), *m_db);
        m_answer = true;
        m_search.reset();
    }

    // Stored trimmed, found trimmed, deleted only by the exact text, duplicates together;
    // quotes, SQL and other scripts in a name are only text.
    void storedFoundDeleted() {
        const QString text = QString::fromUtf8("台中's 車站'); DELETE FROM POI; --");
        m_db->InsertCoordinate(1, 2, "9", "keep");
        m_db->InsertCoordinate(3, 4, " 1 ", "  " + text + " ");
        m_db->InsertCoordinate(5, 6, "2", text);
        QCOMPARE(Raw(DatabasePath(), "SELECT Kind || Explanation FROM POI WHERE SeqNo=2"),
                 "1" + text);
        bool eof = true;
        m_db->SearchCoordinate(" " + text, eof);
        QVERIFY(!eof);
        m_db->SearchCoordinate(text.chopped(1), eof);
        QVERIFY(eof);
        m_db->DeleteCoordinate(" " + text);
        QCOMPARE(Listed(*m_db), QStringList({"1 2 9|keep", "3 4 1|" + text, "5 6 2|" + text}));
        m_db->DeleteCoordinate(text);
        QCOMPARE(Listed(*m_db), QStringList({"1 2 9|keep"}));
    }

    // Empty texts for missing ones; a missing coordinate cannot be delivered as a number.
    void nullColumns() {
        QCOMPARE(Raw(DatabasePath(), "INSERT INTO POI (X, Y) VALUES (1.5, 2.5)"), "");
        QCOMPARE(Listed(*m_db), QStringList({"1.5 2.5 |"}));
        QCOMPARE(Raw(DatabasePath(), "INSERT INTO POI (Y, Explanation) VALUES (2, 'bad')"), "");
        QVERIFY_THROWS_EXCEPTION(clsStationError, Listed(*m_db));
    }

    void fileIsEncryptedWithPointDecimals() {
        m_db->InsertCoordinate(121.5, 24.25, "2", "PlainMarker");
        m_db->CloseConnection();
        const QByteArray bytes = ReadFile(DatabasePath());
        QVERIFY(bytes.size() >= 1024 && !bytes.startsWith("SQLite format 3"));
        QVERIFY(!bytes.contains("PlainMarker"));
        QCOMPARE(Raw(DatabasePath(),
                     "SELECT typeof(X) || ' ' || X || ' ' || Y || ' ' || Explanation FROM POI"),
                 "real 121.5 24.25 PlainMarker");
    }

    // The station's own database at start-up: the message names the file, and for a file
    // that cannot be this station's database says how to start afresh. The file stays.
    void stationDatabaseMessages_data() {
        QTest::addColumn<QByteArray>("make"); // how POI.mdb is made
        QTest::addColumn<bool>("moveAside");
        QTest::newRow("another key") << QByteArray("other key") << true;
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
                m_db->InsertCoordinate(i, i, "1", QString(40, QChar('a' + i % 26)));
            }
            const QByteArray whole = ReadFile(DatabasePath());
            QVERIFY(whole.size() > 4096);
            QVERIFY(WriteFile(path, whole.first(whole.size() / 2)));
        }
        const QByteArray before = ReadFile(path);
        clsDBLib db;
        const QString message = ErrorOf([&] { db.OpenStationDatabase(folder.path()); });
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QCOMPARE(message.contains("Move the file aside"), moveAside);
        QVERIFY(!db.IsOpen());
        QCOMPARE(ReadFile(path), before);
    }

    void conversions_data() {
        QTest::addColumn<QString>("degrees"); // "" for a conversion error
        QTest::addColumn<QString>("way");     // "<>" both ways, "<" boxes to degrees only
        QTest::addColumn<QString>("boxes");
        const auto row = [](const char* name, const char* degrees, const char* way,
                            const char* boxes) { QTest::newRow(name) << degrees << way << boxes; };
        row("longitude", "120.684722", "<>", "120|41|05");
        row("latitude", "24.106388", "<>", "24|06|23");
        row("zero", "0", "<>", "0|00|00");
        row("south", "-1.5", "<>", "-1|30|00");
        row("west below one degree", "-0.5", "<>", "-0|30|00");
        row("seconds carry into the degrees", "24.9999", ">", "25|00|00");
        row("south carries too", "-24.99999", ">", "-25|00|00");
        row("25.03333 carries into the minutes", "25.03333", ">", "25|02|00");
        row("60 seconds", "25", "<", "24|59|60");
        row("blanks, junk after seconds", "24.106388", "<", " 24 |06 | 23 s");
        row("no seconds", "120.683333", "<", "120|41|");
        row("degrees no number", "", "<", "12a|41|05");
        row("decimal comma", "", "<", "120,5|0|0");
        row("ten digits", "", "<", "1234567890|0|0");
    }

    void conversions() {
        QFETCH(QString, degrees);
        QFETCH(QString, way);
        QFETCH(QString, boxes);
        if (way.contains('<')) {
            const std::optional<double> v = modDms::DmsToDegrees(Boxes(boxes));
            QCOMPARE(v ? QString::number(*v, 'g', 15) : QString(), degrees);
        }
        if (way.contains('>')) {
            QCOMPARE(Joined(modDms::DegreesToDms(degrees.toDouble())), boxes);
        }
    }

    void editing_data() {
        QTest::addColumn<Work>("work");
        const auto row = [](const char* name, const Work& work) { QTest::newRow(name) << work; };
        const QString Skip; // not looked at
        const QString all = "NewRec AmendmentRec DelRec Search ";
        const auto points = [](QString names) {
            return "INSERT INTO POI (X, Y, Kind, Explanation) VALUES (1, 2, '1', '" +
                   names.replace(" ", "'), (1, 2, '1', '") + "')";
        };
        const QString abc = points("a b c");
        row("second of three", {abc, "NextRec", "", Skip, "Record: 2/3| b 1|00|00 2|00|00 1",
                                all + "FirstRec ReplyRec NextRec LastRec Exit"});
        row("last, next does nothing",
            {abc, "LastRec;NextRec", "", Skip, "Record: 3/3| c 1|00|00 2|00|00 1",
             all + "FirstRec ReplyRec Exit"});

        const auto add = [](const QString& name, const QString& longitude) {
            return "NewRec;name=" + name + ";lon=" + longitude + ";lat=24|06|23;kind=1;WriteRec";
        };
        const QString fifty(50, 'x'), adding = "Record: 0/0|Adding a record ";
        const QString tooLong = "! The name of a point may have at most 50 characters.";
        row("adding 50 characters", {"", add(fifty, "-77|01|42"), "",
                                     "1 -77.028333 24.106388 1|" + fifty, Skip, Skip, "1"});
        row("adding 51 characters refused",
            {"", add(fifty + "y", "120|41|05"), tooLong, "",
             adding + fifty + "y 120|41|05 24|06|23 1", "CancelRec WriteRec", "0"});
        row("adding without a name",
            {"", add("  ", "120|41|05"), "! Please enter the name of the point.", "", Skip, Skip,
             "0"});
        row("an empty form misses its name before its numbers",
            {"", "NewRec;lon=||;lat=||;WriteRec", "! Please enter the name of the point.", "", Skip,
             "CancelRec WriteRec", "0"});
        row("degrees that are no number",
            {"", add("x", "x|41|05"),
             "X The degrees and minutes of a coordinate must be numbers of at most nine digits "
             "before the decimal point.",
             "", Skip, Skip, "0"});
        // 60 and more of a minute or second are refused, naming the box; just below is kept.
        const auto place = [](const QString& longitude, const QString& latitude) {
            return "NewRec;name=p;lon=" + longitude + ";lat=" + latitude + ";kind=1;WriteRec";
        };
        const QString box = "! The %1's %2 box holds %3: %2 must be below 60.";
        row("75 minutes of longitude",
            {"", place("120| 75 |05", "24|06|23"), box.arg("longitude", "minutes", "75"), "", Skip,
             "CancelRec WriteRec", "0"});
        row("60 seconds of longitude",
            {"", place("120|41|60", "24|60|60"), box.arg("longitude", "seconds", "60"), "", Skip,
             "CancelRec WriteRec", "0"});
        row("60 minutes of latitude", {"", place("120|41|05", "24|60|00"),
                                       box.arg("latitude", "minutes", "60"), "", Skip, Skip, "0"});
        row("59.9999 minutes and 60.5 seconds of latitude",
            {"", place("120|41|05", "24|59.9999|60.5 s"), box.arg("latitude", "seconds", "60.5 s"),
             "", Skip, Skip, "0"});
        row("just below 60", {"", place("120|59|59.99", "-0|59.5|0"), "",
                              "1 120.999997 -0.991667 1|p", Skip, Skip, "1"});
        // The new row is shown, also when deletions left gaps in the keys.
        for (const QString first : {"1", "2"}) {
            row(qPrintable("adding after keys " + first + ", 3"),
                {"INSERT INTO POI VALUES (" + first + ", 0, 0, '', 'a'), (3, 0, 0, '', 'b')",
                 add("new", "1|0|0"), "", Skip, "Record: 3/3| new 1|00|00 24|06|23 1"});
        }

        // A key beyond 16 bits, a point south and west, a kind no option stands for.
        const QString obelisco =
            "INSERT INTO POI VALUES (40000, -58.3815921, -34.6037221, 'x', 'Obelisco')";
        const QString kept = "40000 -58.3815921 -34.6037221 ";
        row("amending the name only keeps the point",
            {obelisco, "AmendmentRec;name=Plaza;WriteRec", "", kept + "x|Plaza",
             "Record: 1/1| Plaza -58|22|54 -34|36|13 0"});
        row("amending the latitude only", {obelisco, "AmendmentRec;lat=-34|36|14;WriteRec", "",
                                           "40000 -58.3815921 -34.603888 x|Obelisco",
                                           "Record: 1/1| Obelisco -58|22|54 -34|36|14 0"});
        row("amending the kind", {obelisco, "AmendmentRec;kind=3;WriteRec", "", kept + "3|Obelisco",
                                  "Record: 1/1| Obelisco -58|22|54 -34|36|13 3"});
        row("amending to 60 minutes refused",
            {obelisco, "AmendmentRec;lon=-58|60|54;WriteRec", box.arg("longitude", "minutes", "60"),
             kept + "x|Obelisco",
             "Record: 1/1|Amending the record Obelisco -58|60|54 -34|36|13 0"});
        row("amending refused keeps what was typed",
            {obelisco, "AmendmentRec;name=" + QString(51, 'z') + ";WriteRec", tooLong,
             kept + "x|Obelisco",
             "Record: 1/1|Amending the record " + QString(51, 'z') + " -58|22|54 -34|36|13 0"});

        row("deleting the only one",
            {points("a"), "DelRec", "", "", "Record: 0/0|No points of interest stored  || || 1",
             Skip, "1"});
        row("deleting the middle one",
            {abc, "NextRec;DelRec", "", Skip, "Record: 1/2| a 1|00|00 2|00|00 1", Skip, "1"});
        row("deleting the last one",
            {abc, "LastRec;DelRec", "", Skip, "Record: 2/2| b 1|00|00 2|00|00 1", Skip, "1"});
        row("deleting all of one name", {points("a b b c"), "LastRec;ReplyRec;DelRec", "", Skip,
                                         "Record: 2/2| c 1|00|00 2|00|00 1", Skip, "1"});
        row("deleting answered no",
            {abc, "NextRec;no;DelRec", "", Skip, "Record: 2/3| b 1|00|00 2|00|00 1", Skip, "0"});

        // Another program holds the table: a failed write leaves the editor where it was (a
        // list that cannot be read closes it, as the window's test shows).
        const QString tower = "INSERT INTO POI VALUES (1, 121, 25, '2', 'Tower')";
        const QString towerStored = "1 121.0 25.0 2|Tower", locked = "X database is locked";
        const QString towerFields = "name=Tower;lon=121|0|0;lat=25|0|0;kind=2;";
        row("deleting from a locked table",
            {tower, "lock=BEGIN IMMEDIATE;DelRec", locked, towerStored, Skip,
             "NewRec AmendmentRec DelRec Search Exit"});
        row("adding to a locked table",
            {tower, "NewRec;" + towerFields + "lock=BEGIN IMMEDIATE;WriteRec", locked, towerStored,
             "Record: 1/1|Adding a record Tower 121|0|0 25|0|0 2", "CancelRec WriteRec"});
        row("amending in a locked table",
            {tower, "AmendmentRec;" + towerFields + "lock=BEGIN IMMEDIATE;WriteRec", locked,
             towerStored, Skip, "CancelRec WriteRec"});

        // From the last record, so that a search that does not start at the first shows.
        const QString four = "INSERT INTO POI (X, Y, Explanation) VALUES (1, 1, ''), (1, 1, "
                             "'North GATE'), (1, 1, 'Station''s Gate'), (1, 1, 'Last')";
        const auto on = [](const char* record) {
            return "Record: " + QString(record) + " 1|00|00 1|00|00 0";
        };
        row("search, lower case inside", {four, "LastRec;find= ation's g;Search", "", Skip,
                                          on("3/4| Station's Gate"), Skip, "0"});
        row("search, empty text matches a name",
            {four, "LastRec;find=;Search", "", Skip, on("2/4| North GATE"), Skip, "0"});
        row("search without a match",
            {four, "LastRec;find=harbour;Search", "! No point of interest matches the search text.",
             Skip, on("4/4| Last"), Skip, "0"});
        row("search cancelled after a change keeps the flag",
            {four, "LastRec;DelRec;find;Search", "", Skip, on("3/3| Station's Gate"), Skip, "1"});
    }

    void editing() {
        QFETCH(Work, work);
        QCOMPARE(Run(work.Table, work.Steps), work.Said);
        const QStringList wanted{work.Stored, work.Seen, work.Keys, work.Flag};
        const QStringList seen{work.Stored.isNull() ? "" : Stored(), Seen(),
                               m_editor->ShowRecord().EnabledKeys.join(' '),
                               QString::number(m_editor->ResultFlag())};
        for (qsizetype i = 0; i < wanted.size(); ++i) {
            QVERIFY2(wanted[i].isNull() || seen[i] == wanted[i], qPrintable(seen[i]));
        }
    }
};

QTEST_GUILESS_MAIN(tst_PoiEditor)
#include "tst_PoiEditor.moc"
