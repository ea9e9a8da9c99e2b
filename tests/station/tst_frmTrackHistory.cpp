// The history features through the main window, offscreen, with the real map page: a day
// fetched from a log of the station's own writer, played back, and exported.

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
        connect(s.Selection(), &QItemSelectionModel::selectionChanged, this, [&] {
            rows << s.SelectedRow();
            seen << s.Enabled();
            undrawn += s.Watch->Current() ? 0 : 1;
            if (!pressed.isEmpty()) {
                QTimer::singleShot(50, this, [&] {
                    pressed == "close" ? void(s.Window->close()) : s.Click("cmdStopPlay");
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

    void exportTrack_data() {
        QTest::addColumn<QString>("name"); // beneath the test folder; "": cancel
        QTest::addColumn<int>("entry");
        QTest::addColumn<bool>("editorStarts");
        QTest::addColumn<QByteArray>("begins"); // the written file; "": none
        QTest::addColumn<QString>("message");   // part of the one message shown
        QTest::newRow("MapSource") << "day.trk" << 2 << true << QByteArray("H  LATITUDE") << "";
        QTest::newRow("GPX, blanks in the path")
            << "my tracks/day one.gpx" << 3 << true << QByteArray("<?xml") << "";
        QTest::newRow("KML") << "day.kml" << 4 << true << QByteArray("<?xml") << "";
        QTest::newRow("CSV") << "day.csv" << 5 << true << QByteArray("time_local,time_utc,") << "";
        QTest::newRow("cancelled") << "" << 0 << true << QByteArray() << "";
        QTest::newRow("PaPaGO!, the editor does not start")
            << "day.txt" << 1 << false << QByteArray("Datum,WGS84") << "text editor";
        // A folder nobody may write to, root included.
        QTest::newRow("unwritable folder")
            << "/proc/day.txt" << 1 << true << QByteArray() << "cannot be written";
    }

    // The dialog offers the remembered name; the chosen entry decides the format; the file
    // opens in the editor and its name is remembered. A failure is shown, the station goes
    // on, and the name stays as it was.
    void exportTrack() {
        QFETCH(QString, name);
        QFETCH(int, entry);
        QFETCH(bool, editorStarts);
        QFETCH(QByteArray, begins);
        QFETCH(QString, message);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(3), "[Export]\nFileName=earlier.txt\n"));
        s.Fetch();
        QVERIFY(QDir(s.Dir.path()).mkpath("my tracks"));
        const QString path = name.isEmpty() || name.startsWith('/') ? name : s.Dir.filePath(name);
        s.Platform.ChosenPath = path;
        s.Platform.ChosenFilter = entry;
        s.Platform.EditorStarts = editorStarts;
        s.Click("cmdExport");
        QCOMPARE(
            s.Platform.FileDialogs,
            QStringList{"PaPaGO! (*.txt)|*.txt|MapSource 6.5 (*.trk)|*.trk|GPX 1.1 (*.gpx)|*.gpx"
                        "|KML 2.2 (*.kml)|*.kml|CSV (*.csv)|*.csv|ExportFile|earlier.txt"});
        const bool written = !begins.isEmpty();
        QVERIFY(written ? ReadFile(path).startsWith(begins) : !QFile::exists(path));
        QCOMPARE(s.Platform.EditedFiles, written ? QStringList{path} : QStringList{});
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::ExportFileName),
                 written ? path : "earlier.txt");
        QCOMPARE(s.Platform.Messages.size(), message.isEmpty() ? 0 : 1);
        QVERIFY(message.isEmpty() || s.Platform.Messages[0].Text.contains(message));
        QVERIFY(s.Platform.ExitCodes.isEmpty());
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackHistory)
#include "tst_frmTrackHistory.moc"
