// The POI database over a real encrypted file, and the editor's record logic and degree
// conversions over it. Registered GERMAN as well: the boxes and the stored numbers use "."
// in every locale.

#include "poi/PoiTestSupport.h"
#include "poi/clsDBLib.h"
#include "poi/clsPoiEditor.h"
#include "poi/modDms.h"
#include "shell/TestFiles.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"

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

} // namespace

class tst_PoiEditor : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    std::optional<clsDBLib> m_db;
    std::optional<clsPoiEditor> m_editor;
    bool m_answer = true;
    std::optional<QString> m_search; // the confirmed text; none for a cancelled search
    clsPoiEditor::Prompts m_prompts{[this](const QString&, const QString&) { return m_answer; },
                                    [this] {
                                        if (m_search) {
                                            modApplication::ResultFlag = 1;
                                            modApplication::SearchText = *m_search;
                                        }
                                    }};

    QString DatabasePath() const { return m_dir->filePath("database/POI.mdb"); }
    // The table as "SeqNo X Y Kind|Explanation", rows joined by ";".
    QString Stored() const {
        return Raw(DatabasePath(), "SELECT group_concat(SeqNo || ' ' || X || ' ' || Y || ' ' || "
                                   "Kind || '|' || Explanation, ';') FROM POI");
    }
    // The editor over the table filled by sql, loaded and shown as the window does.
    void Start(const QString& sql = {}) {
        QCOMPARE(Raw(DatabasePath(), sql.toUtf8().constData()), QString());
        QCOMPARE(Said(m_editor->Load()), QString());
        m_editor->ShowRecord();
    }
    Notice Click(const QString& key) { return m_editor->ButtonClick(key, m_prompts); }
    void Clicks(const QString& keys) {
        for (const QString& key : keys.split(' ', Qt::SkipEmptyParts)) {
            QCOMPARE(Said(Click(key)), QString());
        }
    }
    // Status panels and the enabled keyed buttons: "panel 1|panel 2 [keys]".
    QString Panels() {
        const clsPoiEditor::View view = m_editor->ShowRecord();
        return view.Counter + "|" + view.State + " [" + view.EnabledKeys.join(' ') + "]";
    }
    QString Shown() {
        const clsPoiEditor::Fields f = m_editor->ShowRecord().Shown;
        return QStringLiteral("%1 %2 %3 %4")
            .arg(f.Explanation, Joined(f.Longitude), Joined(f.Latitude))
            .arg(f.Kind);
    }

private slots:
    // Each case starts without the database folder, so opening has to create it.
    void init() {
        m_dir.emplace();
        QVERIFY(
            QFile::copy(STATION_SOURCE_DIR "/data/Language.ini", m_dir->filePath("Language.ini")));
        m_db.emplace();
        m_db->OpenConnection(DatabasePath());
        m_editor.emplace(m_dir->path(), *m_db);
        m_answer = true;
        m_search.reset();
        modApplication::ResultFlag = 0;
    }
    void cleanup() {
        m_editor.reset();
        m_db.reset();
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
                m_db->InsertCoordinate(i, i, "1", QString(40, QChar('a' + i % 26)));
            }
            const QByteArray whole = ReadFile(DatabasePath());
            QVERIFY(whole.size() > 4096);
            QVERIFY(WriteFile(path, make == "cut" ? whole.first(whole.size() / 2) : "[Track]\n"));
        }
        const QByteArray before = ReadFile(path);
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
        row("seconds round to 60", "24.9999", ">", "24|59|60");
        row("60 seconds", "25", "<", "24|59|60");
        row("blanks, junk after seconds", "24.106388", "<", " 24 |06 | 23 s");
        row("no seconds", "120.683333", "<", "120|41|");
        row("no minutes", "", "<", "120||05");
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

    void states_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("panels");
        const QString all = "NewRec AmendmentRec DelRec Search ";
        QTest::newRow("second") << 3 << "NextRec"
                                << "Record: 2/3| [" + all +
                                       "FirstRec ReplyRec NextRec LastRec Exit]";
        QTest::newRow("last, next does nothing")
            << 3 << "LastRec NextRec"
            << "Record: 3/3| [" + all + "FirstRec ReplyRec Exit]";
        QTest::newRow("amending needs a record")
            << 0 << "AmendmentRec"
            << "Record: 0/0|No points of interest stored [NewRec Exit]";
    }

    void states() {
        QFETCH(int, records);
        QFETCH(QString, clicks);
        QFETCH(QString, panels);
        for (int i = 0; i < records; ++i) {
            m_db->InsertCoordinate(120, 24, "1", QString::number(i));
        }
        Start();
        Clicks(clicks);
        QCOMPARE(Panels(), panels);
    }

    void adding_data() {
        QTest::addColumn<QString>("typed"); // name|longitude boxes
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* name, const QString& typed, const QString& said,
                            const QString& stored) {
            QTest::newRow(name) << typed << said << stored;
        };
        const QString fifty(50, 'x');
        const QString tooLong = "! The name of a point may have at most 50 characters.";
        row("apostrophe", " Joe's Diner |120|41|05", "", "1 120.684722 24.106388 1|Joe's Diner");
        row("50 characters", fifty + "|120|41|05", "", "1 120.684722 24.106388 1|" + fifty);
        row("51 characters", fifty + "y|120|41|05", tooLong, "");
        row("no name", "  |120|41|05", "! Please enter the name of the point.", "");
        row("degrees checked first", "|x|41|05",
            "X The degrees and minutes of a coordinate must be numbers of at most nine digits "
            "before the decimal point.",
            "");
        row("west", "Lima|-77|01|42", "", "1 -77.028333 24.106388 1|Lima");
    }

    void adding() {
        QFETCH(QString, typed);
        QFETCH(QString, said);
        QFETCH(QString, stored);
        Start();
        Clicks("NewRec");
        const QString name = typed.section('|', 0, 0), longitude = typed.section('|', 1);
        m_editor->SetFields({name, Boxes(longitude), Boxes("24|06|23"), 1});
        QCOMPARE(Said(Click("WriteRec")), said);
        QCOMPARE(Stored(), stored);
        QCOMPARE(modApplication::ResultFlag, stored.isEmpty() ? 0 : 1);
        QCOMPARE(Shown(),
                 (stored.isEmpty() ? name : name.trimmed()) + " " + longitude + " 24|06|23 1");
    }

    // The new row is shown, also when deletions left gaps in the keys.
    void addingShowsTheNewRow_data() {
        QTest::addColumn<QString>("keys");
        QTest::newRow("1, 3") << "1, 3";
        QTest::newRow("2, 3") << "2, 3";
    }

    void addingShowsTheNewRow() {
        QFETCH(QString, keys);
        const QStringList key = keys.split(", ");
        Start("INSERT INTO POI VALUES (" + key[0] + ", 0, 0, '', 'a'), (" + key[1] +
              ", 0, 0, '', 'b')");
        Clicks("NewRec");
        m_editor->SetFields({"new", Boxes("1|0|0"), Boxes("1|0|0"), 1});
        QCOMPARE(Said(Click("WriteRec")), QString());
        QCOMPARE(m_editor->CurrentIndex(), 2);
        QCOMPARE(Shown(), "new 1|00|00 1|00|00 1");
    }

    // A key beyond 16 bits, a point south and west, a kind no option stands for.
    void amending_data() {
        QTest::addColumn<QString>("change"); // field=value
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const QString& change, const QString& said,
                            const QString& stored, const QString& shown) {
            QTest::newRow(name) << change << said << stored << shown;
        };
        const QString point = "40000 -58.3815921 -34.6037221 ";
        row("name only", "name=Plaza", "", point + "x|Plaza", "Plaza -58|22|54 -34|36|13 0");
        row("latitude only", "lat=-34|36|14", "", "40000 -58.3815921 -34.603888 x|Obelisco",
            "Obelisco -58|22|54 -34|36|14 0");
        row("kind", "kind=3", "", point + "3|Obelisco", "Obelisco -58|22|54 -34|36|13 3");
        row("refused keeps what was typed", "name=" + QString(51, 'z'),
            "! The name of a point may have at most 50 characters.", point + "x|Obelisco",
            QString(51, 'z') + " -58|22|54 -34|36|13 0");
    }

    void amending() {
        QFETCH(QString, change);
        QFETCH(QString, said);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Start("INSERT INTO POI VALUES (40000, -58.3815921, -34.6037221, 'x', 'Obelisco')");
        QCOMPARE(Shown(), "Obelisco -58|22|54 -34|36|13 0");
        Clicks("AmendmentRec");
        clsPoiEditor::Fields fields = m_editor->ShowRecord().Shown;
        const QString field = change.section('=', 0, 0), value = change.section('=', 1);
        if (field == "name") {
            fields.Explanation = value;
        } else if (field == "lat") {
            fields.Latitude = Boxes(value);
        } else {
            fields.Kind = value.toInt();
        }
        m_editor->SetFields(fields);
        QCOMPARE(Said(Click("WriteRec")), said);
        QCOMPARE(Stored(), stored);
        QCOMPARE(Shown(), shown);
    }

    void deleting_data() {
        QTest::addColumn<QString>("names"); // in delivery order
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the only one") << "a"
                                      << "" << true << "Record: 0/0| || || 1";
        QTest::newRow("middle") << "a b c"
                                << "NextRec" << true << "Record: 1/2|a";
        QTest::newRow("last") << "a b c"
                              << "LastRec" << true << "Record: 2/2|b";
        QTest::newRow("all of one name") << "a b b c"
                                         << "LastRec ReplyRec" << true << "Record: 2/2|c";
        QTest::newRow("answered no") << "a b c"
                                     << "NextRec" << false << "Record: 2/3|b";
    }

    void deleting() {
        QFETCH(QString, names);
        QFETCH(QString, clicks);
        QFETCH(bool, answer);
        QFETCH(QString, shown);
        for (const QString& name : names.split(' ')) {
            m_db->InsertCoordinate(1, 2, "1", name);
        }
        Start();
        Clicks(clicks);
        m_answer = answer;
        QCOMPARE(Said(Click("DelRec")), QString());
        const clsPoiEditor::View view = m_editor->ShowRecord();
        QCOMPARE(view.Counter + "|" +
                     (view.Shown.Explanation.isEmpty() ? Shown() : view.Shown.Explanation),
                 shown);
        QCOMPARE(modApplication::ResultFlag, answer ? 1 : 0);
    }

    // Another program holds the table: a failed write leaves the editor where it was; a
    // list that cannot be read closes it.
    void databaseErrors_data() {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("clicks"); // the last one meets the lock
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("panels");
        const QString locked = "X database is locked";
        QTest::newRow("delete") << "BEGIN IMMEDIATE"
                                << "DelRec" << locked
                                << "Record: 1/1| [NewRec AmendmentRec DelRec Search Exit]";
        QTest::newRow("insert") << "BEGIN IMMEDIATE"
                                << "NewRec WriteRec" << locked
                                << "Record: 1/1|Adding a record [CancelRec WriteRec]";
        QTest::newRow("update") << "BEGIN IMMEDIATE"
                                << "AmendmentRec WriteRec" << locked
                                << "Record: 1/1|Amending the record [CancelRec WriteRec]";
        QTest::newRow("list") << "BEGIN EXCLUSIVE"
                              << "Load" << locked + "+close"
                              << "";
    }

    void databaseErrors() {
        QFETCH(QString, lock);
        QFETCH(QString, clicks);
        QFETCH(QString, said);
        QFETCH(QString, panels);
        Start("INSERT INTO POI VALUES (1, 121, 25, '2', 'Tower')");
        const QString before = Stored();
        Clicks(clicks.section(' ', 0, -2));
        m_editor->SetFields({"Tower", Boxes("121|0|0"), Boxes("25|0|0"), 2});
        {
            const DatabaseLock other(DatabasePath(), lock.toUtf8().constData());
            QVERIFY(other.Locked());
            const QString last = clicks.section(' ', -1);
            QCOMPARE(Said(last == "Load" ? m_editor->Load() : Click(last)), said);
        }
        QCOMPARE(Stored(), before);
        if (!panels.isEmpty()) {
            QCOMPARE(Panels(), panels);
        }
    }

    // From the last record, so that a search that does not start at the first shows.
    void search_data() {
        QTest::addColumn<std::optional<QString>>("text");
        QTest::addColumn<int>("flagBefore");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("said");
        using Text = std::optional<QString>;
        QTest::newRow("lower case inside") << Text(" ation's g") << 0 << 2 << "";
        QTest::newRow("empty matches a name") << Text("") << 0 << 1 << "";
        QTest::newRow("no match") << Text("harbour") << 0 << 3
                                  << "! No point of interest matches the search text.";
        QTest::newRow("cancelled gives the flag back") << Text() << 1 << 3 << "";
        QTest::newRow("confirmed gives the flag back") << Text("ga") << 0 << 1 << "";
    }

    void search() {
        QFETCH(std::optional<QString>, text);
        QFETCH(int, flagBefore);
        QFETCH(int, index);
        QFETCH(QString, said);
        Start("INSERT INTO POI (X, Y, Explanation) VALUES (1, 1, ''), (1, 1, 'North GATE'), "
              "(1, 1, 'Station''s Gate'), (1, 1, 'Last')");
        Clicks("LastRec");
        modApplication::ResultFlag = flagBefore;
        m_search = text;
        QCOMPARE(Said(Click("Search")), said);
        QCOMPARE(m_editor->CurrentIndex(), index);
        QCOMPARE(modApplication::ResultFlag, flagBefore);
    }
};

QTEST_GUILESS_MAIN(tst_PoiEditor)
#include "tst_PoiEditor.moc"
