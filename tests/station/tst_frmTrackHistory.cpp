// The history features through the main window, offscreen, with the real map page: a day
// fetched from a log of the station's own writer, played back, and exported.

#include "history/clsTrackExport.h"
#include "map/MapPageSupport.h"
#include "notices/frmWaiting.h"
#include "shell/modPrivate.h"
#include "tracking/clsHistoryLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableView>

namespace {

// "dd hh:mm:ss [speed [status]]" of February 2009.
PositionFix Fix(const QString& text) {
    const QStringList f = text.split(' ');
    return MakeFix("2009/02/" + f[0] + ' ' + f[1], 25.03, "N", 121.5, "E",
                   f.value(2, "1").toFloat(), 90, qPrintable(f.value(3, "A")));
}

QStringList Seconds(int count) {
    QStringList fixes;
    for (int i = 0; i < count; ++i) {
        fixes << QTime(10, 0).addSecs(i).toString("18 HH:mm:ss");
    }
    return fixes;
}

const QString Idle = "cmdQuery cmdGET cmdPlay cmdExport Check1";
const QString Playing = "cmdStopPlay Check1";

// A playback through the window and what it shows.
struct Playback {
    int Records;
    int Selected; // -1: none
    QString Step;
    bool WholeTrack;
    QList<int> Shown;
    QString Pressed = {}; // during the first pause: "cmdStopPlay" or "close"
    QString After = {};   // the buttons after what was pressed
};

// The main window over a history log of February 2009, fetching from the 18th.
struct HistoryWindow : MapWindow {
    QList<PositionFix> Logged;

    // Logs the fixes in the record format of the station's writer (none: no log).
    bool Start(const QStringList& fixes, const QByteArray& settings = {}) {
        QByteArray records;
        for (const QString& text : fixes) {
            Logged << Fix(text);
            records += clsHistoryLog::RecordText(Logged.last());
        }
        return MapWindow::Start(settings) &&
               (fixes.isEmpty() || WriteFile(Dir.filePath("export/History-2009-02.log"), records));
    }
    // query: start hour, minute, end hour, minute, lowest and highest speed, joined by "|".
    void Fetch(const QString& query = "00|00|24|00|0|999") {
        const QStringList q = query.split('|');
        Control<QDateTimeEdit>("dtpFromTime")->setDate(QDate(2009, 2, 18));
        const char* lists[] = {"Combo1", "Combo2", "Combo4", "Combo3"};
        for (int i = 0; i < 4; ++i) {
            Control<QComboBox>(lists[i])->setCurrentText(q[i]);
        }
        Control<QLineEdit>("txtFromSpeed")->setText(q[4]);
        Control<QLineEdit>("txtToSpeed")->setText(q[5]);
        Click("cmdGET");
    }
    // The date and check point columns of every row.
    QStringList Rows() const {
        const clsDateViewModel& list = Window->Rows();
        QStringList rows;
        for (int row = 0; row < list.rowCount(); ++row) {
            rows << list.data(list.index(row, 1)).toString() +
                        list.data(list.index(row, 2)).toString();
        }
        return rows;
    }
    QItemSelectionModel* Selection() const {
        return Control<QTableView>("DateView")->selectionModel();
    }
    int SelectedRow() const {
        const QModelIndexList rows = Selection()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    QString Enabled(QStringList names = {"cmdQuery", "cmdGET", "cmdPlay", "cmdStopPlay",
                                         "cmdExport", "Check1"}) const {
        names.removeIf([this](const QString& name) { return !Control(name)->isEnabled(); });
        return names.join(' ');
    }
};

} // namespace

Q_DECLARE_METATYPE(Playback)

class tst_frmTrackHistory : public QObject {
    Q_OBJECT

private slots:
    void fetch_data() {
        QTest::addColumn<QStringList>("log"); // empty: a folder stands where the log should be
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("the day, the time window and the speeds of the controls")
            << QStringList{"17 10:30:00 20",   "18 10:19:59 20",    "18 10:20:00 12.34 V",
                           "18 10:30:00 45.6", "18 10:30:01 45.61", "18 10:30:02 12.33",
                           "18 10:40:01 20",   "19 10:30:00 20"}
            << QList<int>{2, 3};
        QTest::newRow("a log that cannot be read") << QStringList() << QList<int>();
    }

    // The controls' texts go to the query as they stand: a speed is read by its leading
    // number, and a bound equal to a stored speed passes (as 32-bit floats 12.34 lies above
    // 12.34 as a 64-bit one, and 45.6 below 45.6). The rows, the total, the controls and the
    // map after the fetch, or the message that names the log.
    void fetch() {
        QFETCH(QStringList, log);
        QFETCH(QList<int>, kept);
        HistoryWindow s;
        QVERIFY(s.Start(log));
        QVERIFY(!log.isEmpty() || QDir(s.Dir.path()).mkpath("export/History-2009-02.log"));
        s.Fetch("10|20|10|40|12.34 kn|45.6abc");
        QStringList rows;
        for (const int i : kept) {
            rows << s.Logged[i].FixTime +
                        (s.Logged[i].Status == "V" ? " Last location" : " Real time position");
        }
        const bool found = !kept.isEmpty();
        QCOMPARE(s.Rows(), found ? rows : QStringList{"NO Date"});
        QCOMPARE(s.Caption("Panel2"), QString("Total:%1").arg(kept.size()));
        QCOMPARE(s.SelectedRow(), 0);
        QCOMPARE(s.Enabled(), found ? Idle : "cmdQuery cmdGET");
        QCOMPARE(s.Control("fraMap")->isVisible(), found);
        QCOMPARE(s.Control<QTimer>("Timer3")->isActive(), found);
        QVERIFY(s.Window->findChildren<frmWaiting*>().isEmpty());
        QTRY_VERIFY(!found || s.Caption("lblCaption").contains(rows[0].left(19)));
        QCOMPARE(s.Platform.Messages.size(), found ? 0 : 1);
        QVERIFY(found || s.Platform.Messages[0].Text.contains("History-2009-02.log"));
        // Fixes that come in while the port is open would change the track under a playback.
        s.Click("cmdQuery");
        QCOMPARE(s.Enabled({"cmdPlay", "cmdExport"}), found ? "cmdExport" : "");
        s.Click("cmdQuery");
        QCOMPARE(s.Enabled({"cmdPlay", "cmdExport"}), found ? "cmdPlay cmdExport" : "");
    }

    void interruptedFetch_data() { AddBoolRows("closing", "stop button", "window closed"); }

    // While the log is read the list grows with its newest row selected, the waiting window
    // shows the progress and no other job can start. Its stop button, or closing the main
    // window, ends the fetch with what it gathered, even when the whole track is drawn right
    // after the stop; the window closes only after that.
    void interruptedFetch() {
        QFETCH(bool, closing);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(300'000)));
        s.Control<QCheckBox>("Check1")->setChecked(true);
        QString during;
        QTimer look; // runs between the slices of the fetch
        connect(&look, &QTimer::timeout, this, [&] {
            if (auto* waiting = s.Window->findChild<frmWaiting*>()) {
                const int progress = waiting->findChild<QProgressBar*>()->value();
                const int rows = s.Window->Rows().rowCount();
                // A busy machine reads less than a thousandth of the log in the first
                // slice; look again until the bar has moved (a bar that never moves
                // leaves "during" empty).
                if (progress == 0 || rows == 0)
                    return;
                look.stop();
                during = QStringLiteral("%1 %2 %3 [%4]")
                             .arg(waiting->isVisible() && !waiting->isModal())
                             .arg(progress > 0 && progress < 1000)
                             .arg(rows > 0 && s.SelectedRow() == rows - 1)
                             .arg(s.Enabled());
                closing ? void(s.Window->close())
                        : QTest::mouseClick(waiting->findChild<QPushButton*>(), Qt::LeftButton);
                s.Window->DrawTrack();
                during += QStringLiteral(" exit %1").arg(s.Platform.ExitCodes.size());
            }
        });
        look.start(0);
        s.Fetch();
        QCOMPARE(during, "1 1 1 [] exit 0");
        const int gathered = s.Window->Rows().rowCount();
        QVERIFY2(gathered > 0 && gathered < 300'000, qPrintable(QString::number(gathered)));
        QCOMPARE(s.Rows().last(), s.Logged[gathered - 1].FixTime + " Real time position");
        QCOMPARE(s.Platform.ExitCodes, closing ? QList<int>{0} : QList<int>{});
        QCOMPARE(s.Caption("Panel2"), closing ? "" : QString("Total:%1").arg(gathered));
    }

    void playback_data() {
        QTest::addColumn<Playback>("play");
        const auto row = [](const char* name, const Playback& play) {
            QTest::newRow(name) << play;
        };
        row("step 3, whole track", {8, 0, "3", true, {1, 4, 7}});
        row("step read by its leading number", {6, 1, "2 rows", false, {2, 4}});
        row("no row selected", {3, -1, "1", false, {0, 1, 2}});
        // Stop shows the stopped buttons at once and ends the playback after its pause,
        // until which connecting and fetching wait.
        row("stopped", {4, 0, "1", false, {1}, "cmdStopPlay", "cmdPlay cmdExport Check1 exit 0"});
        // Closing ends the pause at once; the window closes after the playback has ended.
        row("window closed", {4, 0, "1", false, {1}, "close", Playing + " exit 0"});
    }

    // The rows a playback selects and the record it ends on, the buttons while it plays and
    // after, and no show-selected tick for the rows it selects. Each step's drawing is on the
    // page before the next step begins.
    void playback() {
        QFETCH(Playback, play);
        const auto [records, selected, step, wholeTrack, shown, pressed, after] = play;
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(records)));
        s.Fetch();
        if (wholeTrack) {
            s.Click("Check1");
        }
        QVERIFY(s.MapShown());
        s.Selection()->clearSelection();
        if (selected >= 0) {
            s.Control<QTableView>("DateView")->selectRow(selected);
        }
        s.Control<QLineEdit>("txtInterval")->setText(step);
        // Short pauses for the test; a long one that closing must cut short.
        auto* pause = s.Control<QSlider>("sldInterval");
        pause->setMinimum(0);
        pause->setValue(pressed == "close" ? 10 : pressed.isEmpty() ? 0 : 1);
        QList<int> rows;
        QStringList seen;
        int undrawn = 0;
        // A copy: clang before 16 lets no lambda capture a structured binding.
        const auto press = pressed;
        connect(s.Selection(), &QItemSelectionModel::selectionChanged, this, [&] {
            rows << s.SelectedRow();
            seen << s.Enabled();
            undrawn += s.Watch->Current() ? 0 : 1;
            if (!press.isEmpty()) {
                QTimer::singleShot(50, this, [&] {
                    press == "close" ? void(s.Window->close()) : s.Click("cmdStopPlay");
                    seen << s.Enabled() +
                                QStringLiteral(" exit %1").arg(s.Platform.ExitCodes.size());
                });
            }
        });
        QSignalSpy ticks(s.Control<QTimer>("Timer3"), &QTimer::timeout);
        s.Click("cmdPlay");
        QCOMPARE(rows, shown);
        QCOMPARE(seen, QStringList(shown.size(), Playing) +
                           (after.isEmpty() ? QStringList() : QStringList{after}));
        QCOMPARE(undrawn, 0);
        QCOMPARE(ticks.size(), 0);
        QCOMPARE(s.Platform.ExitCodes, pressed == "close" ? QList<int>{0} : QList<int>{});
        QVERIFY(pressed == "close" || s.Enabled() == Idle); // a closed window stays closed
        QCOMPARE(s.Window->Recorder().CurrentFix().FixTime, s.Logged[shown.last()].FixTime);
        if (wholeTrack) {
            const QList<QByteArray> lines =
                ReadFile(s.Dir.filePath("carimage/markers.txt")).split('\n');
            QCOMPARE(lines.size(), records + 1);
            QVERIFY(lines[shown.last()].contains("|C-Rv\\"));
        }
    }

    // Damaged lines are no records; the first panel counts them, and a fetch without any
    // clears it again.
    void fetchCountsDamagedLines() {
        HistoryWindow s;
        QVERIFY(s.Start({"18 10:00:00", "18 10:00:02"}));
        const QString log = s.Dir.filePath("export/History-2009-02.log");
        const QByteArray good = ReadFile(log);
        QVERIFY(WriteFile(log, good + "2009/02/30 10:00:05|N|121.5|E|25.03|A|1|90\r\r\n"
                                      "2009/02/18 10:00:06|N|121.5|E|25.03|A|fast|90\r\r\n"));
        s.Fetch();
        QCOMPARE(s.Rows(), QStringList({"2009/02/18 10:00:00 Real time position",
                                        "2009/02/18 10:00:02 Real time position"}));
        QCOMPARE(s.Caption("Panel1"), "Damaged lines of the history log skipped: 2");
        QCOMPARE(s.Caption("Panel2"), "Total:2");
        QVERIFY(WriteFile(log, good));
        s.Fetch();
        QCOMPARE(s.Caption("Panel1"), "");
        QCOMPARE(s.Caption("Panel2"), "Total:2");
        QVERIFY(s.Platform.Messages.isEmpty());
    }

    void exportTrack_data() {
        QTest::addColumn<QString>("name"); // beneath the test folder; "": cancel
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("choice");   // the answer to the format question
        QTest::addColumn<bool>("replace"); // the answer to replacing another file
        QTest::addColumn<bool>("editorStarts");
        QTest::addColumn<QString>("written");   // beneath the test folder; "": none
        QTest::addColumn<QByteArray>("begins"); // the written file
        QTest::addColumn<QStringList>("said");  // icon letter and part of each message
        const QByteArray gpx = "<?xml", papago = "Datum,WGS84";
        const QStringList none;
        const QString question = "Q day.gpx ends in .gpx, the extension of GPX 1.1 files, but "
                                 "the file type chosen is PaPaGO!. Write GPX 1.1 to day.gpx, or "
                                 "PaPaGO! to day.txt?";
        const auto row = [](const char* name, const QString& file, int entry, int choice,
                            bool replace, bool editor, const QString& written,
                            const QByteArray& begins, const QStringList& said) {
            QTest::newRow(name) << file << entry << choice << replace << editor << written << begins
                                << said;
        };
        row("MapSource", "day.trk", 2, -2, true, true, "day.trk", "H  LATITUDE", none);
        row("GPX, blanks in the path", "my tracks/day one.gpx", 3, -2, true, true,
            "my tracks/day one.gpx", gpx, none);
        row("KML", "day.kml", 4, -2, true, true, "day.kml", "<?xml", none);
        row("CSV", "day.csv", 5, -2, true, true, "day.csv", "time_local,time_utc,", none);
        row("no extension gets the entry's", "day", 2, -2, true, true, "day.trk", "H  LATITUDE",
            none);
        row("cancelled", "", 1, -2, true, true, "", {}, none);
        row("GPX name, PaPaGO! entry: GPX by default", "day.gpx", 1, -2, true, true, "day.gpx", gpx,
            {question});
        row("GPX name, PaPaGO! entry: PaPaGO! chosen", "day.gpx", 1, 1, true, true, "day.txt",
            papago, {question});
        row("GPX name, PaPaGO! entry: cancelled at the question", "day.gpx", 1, -1, true, true, "",
            {}, {question});
        row("PaPaGO! chosen over a file not to be replaced", "day.gpx", 1, 1, false, true, "", {},
            {question, "Q day.txt already exists. Replace it?"});
        row("PaPaGO! chosen over a file to be replaced", "day.gpx", 1, 1, true, true, "day.txt",
            papago, {question, "Q day.txt already exists. Replace it?"});
        row("the editor does not start", "day.txt", 1, -2, true, false, "day.txt", papago,
            {"I The track was written to"});
        // A folder nobody may write to, root included.
        row("unwritable folder", "/proc/day.txt", 1, -2, true, true, "", {},
            {"X cannot be written"});
    }

    // The dialog offers the remembered name on its entry; the name and the chosen entry
    // decide the format, asking when they differ; the file opens in the editor and its
    // name is remembered. A failure is shown, the station goes on, and the name stays.
    void exportTrack() {
        QFETCH(QString, name);
        QFETCH(int, entry);
        QFETCH(int, choice);
        QFETCH(bool, replace);
        QFETCH(bool, editorStarts);
        QFETCH(QString, written);
        QFETCH(QByteArray, begins);
        QFETCH(QStringList, said);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(3)));
        const QString earlier = s.Dir.filePath("earlier.gpx");
        modPrivate::WriteSetting(s.Dir.path(), modKeys::Setting::ExportFileName, earlier);
        s.Fetch();
        QVERIFY(QDir(s.Dir.path()).mkpath("my tracks"));
        const auto inFolder = [&](const QString& file) {
            return file.isEmpty() || file.startsWith('/') ? file : s.Dir.filePath(file);
        };
        const bool replacing = said.size() == 2;
        QVERIFY(!replacing || WriteFile(s.Dir.filePath("day.txt"), "earlier"));
        s.Platform.ChosenPath = inFolder(name);
        s.Platform.ChosenFilter = entry;
        s.Platform.Choice = choice;
        s.Platform.AnswerYes = replace;
        s.Platform.EditorStarts = editorStarts;
        s.Click("cmdExport");
        QCOMPARE(s.Platform.FileDialogs,
                 QStringList{clsTrackExport::Filter() + "|ExportFile|" + earlier + "|3"});
        const QString path = inFolder(written);
        QVERIFY(written.isEmpty() || ReadFile(path).startsWith(begins));
        for (const QString& other : {"day.gpx", "day.txt", "day.trk", "day"}) {
            const QString file = s.Dir.filePath(other);
            QCOMPARE(QFile::exists(file), file == path || (replacing && other == "day.txt"));
        }
        QVERIFY(!replacing || !path.isEmpty() || ReadFile(s.Dir.filePath("day.txt")) == "earlier");
        QCOMPARE(s.Platform.EditedFiles, written.isEmpty() ? QStringList{} : QStringList{path});
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::ExportFileName),
                 written.isEmpty() ? earlier : path);
        QStringList seen;
        for (const RecordingPlatform::Message& message : s.Platform.Messages) {
            const char icons[] = "XEQI";
            seen << icons[static_cast<int>(message.MessageIcon)] + QString(' ') + message.Text;
        }
        QCOMPARE(seen.size(), said.size());
        for (qsizetype i = 0; i < said.size(); ++i) {
            QVERIFY2(seen[i].startsWith(said[i].left(2)) && seen[i].contains(said[i].mid(2)),
                     qPrintable(seen[i]));
        }
        QCOMPARE(s.Platform.Choices, said.isEmpty() || !said[0].startsWith("Q ")
                                         ? QStringList{}
                                         : QStringList{"GPX 1.1|PaPaGO!|default 0"});
        QVERIFY(s.Platform.ExitCodes.isEmpty());
    }

    // Export as GPX, then the next export offers that name on the GPX entry, in its folder.
    void exportOffersTheLastFormat() {
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(3)));
        s.Fetch();
        s.Platform.ChosenPath = s.Dir.filePath("track.gpx");
        s.Platform.ChosenFilter = 3;
        s.Click("cmdExport");
        s.Click("cmdExport");
        QCOMPARE(s.Platform.FileDialogs.size(), 2);
        QVERIFY2(
            s.Platform.FileDialogs[1].endsWith("|ExportFile|" + s.Dir.filePath("track.gpx") + "|3"),
            qPrintable(s.Platform.FileDialogs[1]));
        QVERIFY(s.Platform.Messages.isEmpty());
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackHistory)
#include "tst_frmTrackHistory.moc"
