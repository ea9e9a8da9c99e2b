// The history features through the main window, offscreen, with the real map page: a day
// fetched from logs that the station's own writer wrote, played back, and exported.

#include "map/MapPageSupport.h"
#include "map/MapTestSupport.h"
#include "notices/frmWaiting.h"
#include "shell/StationTestSupport.h"
#include "shell/modPrivate.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsHistoryLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableView>

namespace {

// A fix of February 2009 at "dd hh:mm:ss", a little further east each second.
PositionFix Fix(const QString& when, float speed = 1, const char* status = "A") {
    const QTime time = QTime::fromString(when.mid(3), QStringLiteral("HH:mm:ss"));
    return {QStringLiteral("2009/02/") + when,
            QStringLiteral("E"),
            121.5 + time.msecsSinceStartOfDay() / 1e8,
            QStringLiteral("N"),
            25.03,
            speed,
            90,
            QLatin1String(status)};
}

// Fixes at whole seconds from 10:00:00 on the 18th.
QList<PositionFix> Seconds(int count) {
    QList<PositionFix> fixes;
    for (int i = 0; i < count; ++i) {
        fixes.append(Fix(QTime(10, 0).addSecs(i).toString(QStringLiteral("18 HH:mm:ss"))));
    }
    return fixes;
}

// A row as the list shows it: its time and its check point text.
QString Row(const PositionFix& fix) {
    return fix.FixTime +
           (fix.Status == QLatin1String("A") ? " Real time position" : " Last location");
}

const QStringList WholeDay = {"00", "00", "24", "00"};
const QStringList AnySpeed = {"0", "999"};

// The main window over a program folder whose history log holds fixes, with the query of
// 18 February 2009 in its controls.
struct HistoryWindow : StationWindow {
    QList<PositionFix> Logged;
    int Drawn = 0; // the newest drawing the map page reported

    bool Start(const QList<PositionFix>& fixes, const QByteArray& settings = {}) {
        if (!StationWindow::Start(settings)) {
            return false;
        }
        QObject::connect(&Window->MapView(), &clsMapView::Drawn,
                         [this](int request) { Drawn = std::max(Drawn, request); });
        return Log(fixes);
    }
    // Appends the fixes with the station's own writer, in the log of February 2009.
    bool Log(const QList<PositionFix>& fixes) {
        const clsHistoryLog log(Dir.path(), [] { return QDateTime(QDate(2009, 2, 18), {}); });
        log.EnsureFolder();
        for (const PositionFix& fix : fixes) {
            log.Append(fix);
        }
        Logged += fixes;
        return true;
    }
    // A log too large for the writer's flush per record: its record texts written at once.
    bool LogInOneWrite(const QList<PositionFix>& fixes) {
        QByteArray bytes;
        for (const PositionFix& fix : fixes) {
            bytes += clsHistoryLog::RecordText(fix);
        }
        QFile file(clsHistoryLog::PathForMonth(Dir.path(), QDate(2009, 2, 1)));
        Logged += fixes;
        return QDir(Dir.path()).mkpath("export") && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }
    void Query(const QStringList& window = WholeDay, const QStringList& speeds = AnySpeed) {
        Control<QDateTimeEdit>("dtpFromTime")->setDate(QDate(2009, 2, 18));
        const char* lists[] = {"Combo1", "Combo2", "Combo4", "Combo3"};
        for (int i = 0; i < 4; ++i) {
            Control<QComboBox>(lists[i])->setCurrentText(window[i]);
        }
        Control<QLineEdit>("txtFromSpeed")->setText(speeds[0]);
        Control<QLineEdit>("txtToSpeed")->setText(speeds[1]);
    }
    void Click(const char* control) { QTest::mouseClick(Control(control), Qt::LeftButton); }
    // Fetches the whole of the 18th and waits until Timer3 has shown the first row.
    bool FetchDay() {
        Query();
        Click("cmdGET");
        return QTest::qWaitFor([&] { return !Control<QTimer>("Timer3")->isActive(); });
    }
    // Waits until Timer3 has shown the selected row and the map page shows every drawing.
    bool MapShown() {
        return WaitUntil([&] {
            return !Control<QTimer>("Timer3")->isActive() &&
                   Drawn >= Window->MapView().LastRequest();
        });
    }
    // Runs action once, inside the first slice of the next fetch.
    void DuringFetch(const std::function<void(frmWaiting*)>& action) {
        auto* look = new QTimer(Window.get());
        QObject::connect(look, &QTimer::timeout, [this, look, action] {
            if (auto* waiting = Window->findChild<frmWaiting*>()) {
                look->stop();
                action(waiting);
            }
        });
        look->start(0);
    }
    QStringList Rows() const {
        QStringList rows;
        for (int row = 0; row < Window->Rows().rowCount(); ++row) {
            rows << Window->Rows().SubItemText(row, "Date") +
                        Window->Rows().SubItemText(row, "CheckPoint");
        }
        return rows;
    }
    QString Total() const { return Control<QLabel>("Panel2")->text(); }
    QTableView* List() const { return Control<QTableView>("DateView"); }
    int SelectedRow() const {
        const QModelIndexList rows = List()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // The named controls that are enabled, in the order given.
    QString Enabled(const QStringList& names) const {
        QStringList enabled = names;
        enabled.removeIf([this](const QString& name) { return !Control(name)->isEnabled(); });
        return enabled.join(' ');
    }
    QString Caption() const { return Control<QLabel>("lblCaption")->text(); }
};

const QStringList JobControls = {"cmdQuery",    "cmdGET",    "cmdPlay",
                                 "cmdStopPlay", "cmdExport", "Check1"};

} // namespace

class tst_frmTrackHistory : public QObject {
    Q_OBJECT

private slots:
    void fetchListsTheQuery_data() {
        QTest::addColumn<QList<PositionFix>>("log");
        QTest::addColumn<QStringList>("window");
        QTest::addColumn<QStringList>("speeds");
        QTest::addColumn<QList<int>>("kept"); // indexes into log
        const QList<PositionFix> edges = {Fix("18 10:19:59"), Fix("18 10:20:00"),
                                          Fix("18 10:40:00"), Fix("18 10:40:01")};
        QTest::newRow("whole day and no other")
            << QList<PositionFix>{Fix("17 23:59:59"), Fix("18 00:00:00"), Fix("18 23:59:59"),
                                  Fix("19 00:00:00")}
            << WholeDay << AnySpeed << QList<int>{1, 2};
        QTest::newRow("both ends of the window")
            << edges << QStringList{"10", "20", "10", "40"} << AnySpeed << QList<int>{1, 2};
        QTest::newRow("end before start")
            << edges << QStringList{"10", "40", "10", "20"} << AnySpeed << QList<int>{};
        // As 32-bit floats 12.34 lies above 12.34 as a 64-bit one, and 45.6 below 45.6.
        QTest::newRow("speed bounds equal to stored speeds")
            << QList<PositionFix>{Fix("18 10:00:00", 12.33f), Fix("18 10:00:01", 12.34f),
                                  Fix("18 10:00:02", 45.6f), Fix("18 10:00:03", 45.61f)}
            << WholeDay << QStringList{"12.34", "45.6"} << QList<int>{1, 2};
        QTest::newRow("speed texts read by their leading number")
            << QList<PositionFix>{Fix("18 10:00:00", 11.9f), Fix("18 10:00:01", 12),
                                  Fix("18 10:00:02", 20), Fix("18 10:00:03", 20.1f)}
            << WholeDay << QStringList{"12abc", "20 knots"} << QList<int>{1, 2};
        QTest::newRow("empty highest speed keeps standing still")
            << QList<PositionFix>{Fix("18 10:00:00", 0), Fix("18 10:00:01", 0.1f)} << WholeDay
            << QStringList{"", ""} << QList<int>{0};
        QTest::newRow("receiver warnings listed as last locations")
            << QList<PositionFix>{Fix("18 10:00:00", 1, "V"), Fix("18 10:00:01", 1, "A")}
            << WholeDay << AnySpeed << QList<int>{0, 1};
    }

    // The rows, the total, the controls and the map after a fetch, with records or without.
    void fetchListsTheQuery() {
        QFETCH(QList<PositionFix>, log);
        QFETCH(QStringList, window);
        QFETCH(QStringList, speeds);
        QFETCH(QList<int>, kept);
        HistoryWindow s;
        QVERIFY(s.Start(log));
        s.Query(window, speeds);
        s.Click("cmdGET");

        QStringList rows;
        for (const int i : kept) {
            rows << Row(log[i]);
        }
        const bool found = !kept.isEmpty();
        QCOMPARE(s.Total(), QString("Total:%1").arg(kept.size()));
        QCOMPARE(s.SelectedRow(), 0);
        QCOMPARE(s.Enabled(JobControls),
                 found ? "cmdQuery cmdGET cmdPlay cmdExport Check1" : "cmdQuery cmdGET");
        QCOMPARE(s.Control("fraMap")->isVisible(), found);
        QVERIFY(s.Window->findChildren<frmWaiting*>().isEmpty());
        if (found) {
            QCOMPARE(s.Rows(), rows);
            QTRY_VERIFY(s.Caption().contains(log[kept[0]].FixTime)); // shown by Timer3
        } else {
            const clsDateViewModel& list = s.Window->Rows();
            QCOMPARE(list.rowCount(), 1);
            QCOMPARE(list.RowKey(0) + list.ItemText(0) + list.SubItemText(0, "DialTime"),
                     "#01NO Date");
            QVERIFY(!s.Control<QTimer>("Timer3")->isActive());
        }
        QVERIFY(s.Platform.Messages.isEmpty());
    }

    void anUnreadableLogIsTold() {
        HistoryWindow s;
        QVERIFY(s.Start({}));
        QVERIFY(QDir(s.Dir.path()).mkpath("export/History-2009-02.log"));
        s.FetchDay();
        QCOMPARE(s.Platform.Messages.size(), 1);
        QVERIFY2(s.Platform.Messages[0].Text.contains("History-2009-02.log"),
                 qPrintable(s.Platform.Messages[0].Text));
        QCOMPARE(s.Platform.Messages[0].MessageIcon, IPlatform::Icon::Critical);
        QCOMPARE(s.Total(), "Total:0");
        QCOMPARE(s.Window->Rows().SubItemText(0, "DialTime"), "NO Date");
        QVERIFY(s.Platform.ExitCodes.isEmpty());
    }

    void interruptedFetch_data() {
        QTest::addColumn<bool>("closing");
        QTest::newRow("stop button") << false;
        QTest::newRow("window closed") << true;
    }

    // While the log is read, the list grows with its newest row selected, the waiting window
    // shows the progress and nothing may start another job. Its stop button, or closing the
    // main window, ends the fetch with what it gathered; the window closes only after that.
    void interruptedFetch() {
        QFETCH(bool, closing);
        HistoryWindow s;
        QVERIFY(s.Start({}));
        constexpr int Records = 300'000;
        QVERIFY(s.LogInOneWrite(Seconds(Records)));
        s.Query();
        QString during;
        s.DuringFetch([&](frmWaiting* waiting) {
            const int progress = waiting->findChild<QProgressBar*>()->value();
            const int rows = s.Window->Rows().rowCount();
            during = QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(waiting->isVisible() && !waiting->isModal())
                         .arg(progress > 0 && progress < 1000)
                         .arg(rows > 0 && s.SelectedRow() == rows - 1)
                         .arg(s.Enabled(JobControls).isEmpty())
                         .arg(s.Platform.ExitCodes.size());
            if (closing) {
                s.Window->close();
            } else {
                QTest::mouseClick(waiting->findChild<QPushButton*>("Command1"), Qt::LeftButton);
            }
            during += QStringLiteral(" %1").arg(s.Platform.ExitCodes.size());
        });
        s.Click("cmdGET");
        QCOMPARE(during, "1 1 1 1 0 0");

        const int gathered = s.Window->Rows().rowCount();
        QVERIFY2(gathered > 0 && gathered < Records, qPrintable(QString::number(gathered)));
        QCOMPARE(s.Rows().first(), Row(s.Logged.first()));
        QCOMPARE(s.Rows().last(), Row(s.Logged[gathered - 1]));
        QCOMPARE(s.Platform.ExitCodes, closing ? QList<int>{0} : QList<int>{});
        if (!closing) {
            QCOMPARE(s.Total(), QString("Total:%1").arg(gathered));
            QCOMPARE(s.Enabled(JobControls), "cmdQuery cmdGET cmdPlay cmdExport Check1");
        }
    }

    void playback_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("selected"); // -1: none
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("wholeTrack");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("step 1") << 5 << 0 << "1" << false << QList<int>{1, 2, 3, 4};
        QTest::newRow("step 3 with the whole track")
            << 8 << 0 << "3" << true << QList<int>{1, 4, 7};
        QTest::newRow("step read by its leading number")
            << 6 << 1 << "2 records" << false << QList<int>{2, 4};
        QTest::newRow("no row selected") << 3 << -1 << "1" << false << QList<int>{0, 1, 2};
        QTest::newRow("last row selected") << 4 << 3 << "1" << false << QList<int>{};
        QTest::newRow("negative step") << 4 << 2 << "-1" << false << QList<int>{};
    }

    // The rows a playback selects and the records it puts on the map, the buttons while it
    // plays and after, and no show-selected tick for the rows it selects. Each step's map
    // drawing is on the page before the next step begins.
    void playback() {
        QFETCH(int, records);
        QFETCH(int, selected);
        QFETCH(QString, step);
        QFETCH(bool, wholeTrack);
        QFETCH(QList<int>, shown);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(records)));
        QVERIFY(s.FetchDay());
        if (wholeTrack) {
            s.Click("Check1");
        }
        QVERIFY(s.MapShown());
        s.List()->selectionModel()->clearSelection();
        if (selected >= 0) {
            s.List()->selectRow(selected);
        }
        s.Control<QLineEdit>("txtInterval")->setText(step);
        auto* pause = s.Control<QSlider>("sldInterval");
        pause->setMinimum(0); // short pauses for the test
        pause->setValue(0);
        const clsMapView& map = s.Window->MapView();
        QList<int> rows;
        QStringList captions, buttons;
        int undrawn = 0;
        connect(s.List()->selectionModel(), &QItemSelectionModel::selectionChanged, this, [&] {
            rows << s.SelectedRow();
            captions << s.Caption();
            buttons << s.Enabled(JobControls);
            undrawn += s.Drawn < map.LastRequest() ? 1 : 0;
        });
        QSignalSpy ticks(s.Control<QTimer>("Timer3"), &QTimer::timeout);
        s.Click("cmdPlay");

        QCOMPARE(rows, shown);
        QCOMPARE(undrawn, 0);
        QCOMPARE(ticks.size(), 0);
        QCOMPARE(buttons, QStringList(shown.size(), "cmdStopPlay Check1"));
        if (!shown.isEmpty()) {
            // When a step begins, the caption shows the record of the step before it.
            for (qsizetype k = 1; k < shown.size(); ++k) {
                QVERIFY2(captions[k].contains(s.Logged[shown[k - 1]].FixTime),
                         qPrintable(captions[k]));
            }
            QCOMPARE(s.Window->Recorder().CurrentFix().FixTime, s.Logged[shown.last()].FixTime);
            QCOMPARE(s.SelectedRow(), shown.last());
        }
        if (wholeTrack) {
            const QList<QByteArray> markers =
                FileBytes(s.Dir.filePath("carimage/markers.txt")).split('\n');
            QCOMPARE(markers.size(), records + 1);
            QVERIFY(markers[shown.last()].contains("|C-Rv\\"));
        }
        QCOMPARE(s.Enabled(JobControls), "cmdQuery cmdGET cmdPlay cmdExport Check1");
    }

    void interruptedPlayback_data() {
        QTest::addColumn<bool>("closing");
        QTest::newRow("stop button") << false;
        QTest::newRow("window closed") << true;
    }

    // Stop ends the playback after the pause it falls in, and shows the stopped buttons at
    // once; the fetch and the connect button wait for the end of that pause. Closing the
    // window ends the pause at once, and the window closes after the playback has ended.
    void interruptedPlayback() {
        QFETCH(bool, closing);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(4)));
        QVERIFY(s.FetchDay());
        s.Control<QSlider>("sldInterval")->setValue(closing ? 10 : 1);
        QList<int> rows;
        QString during;
        connect(s.List()->selectionModel(), &QItemSelectionModel::selectionChanged, this, [&] {
            rows << s.SelectedRow();
            QTimer::singleShot(50, this, [&] {
                if (closing) {
                    s.Window->close();
                } else {
                    s.Click("cmdStopPlay");
                }
                during = s.Enabled(JobControls) +
                         QStringLiteral(" exit %1").arg(s.Platform.ExitCodes.size());
            });
        });
        s.Click("cmdPlay");
        QCOMPARE(rows, QList<int>{1});
        QCOMPARE(during, closing ? "cmdStopPlay Check1 exit 0" : "cmdPlay cmdExport Check1 exit 0");
        QCOMPARE(s.Platform.ExitCodes, closing ? QList<int>{0} : QList<int>{});
        if (!closing) {
            QCOMPARE(s.Enabled(JobControls), "cmdQuery cmdGET cmdPlay cmdExport Check1");
        }
    }

    // Fixes that come in while the port is open would change the track under a playback.
    void noPlaybackWhileConnected() {
        TestPseudoTerminal receiver;
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(2), "[Ports]\nCOM2=" + receiver.SlavePath().toLocal8Bit() +
                                        "\n[Settings]\nCommPort=2\n"));
        QVERIFY(s.FetchDay());
        s.Click("cmdQuery");
        QCOMPARE(s.Enabled({"cmdPlay", "cmdExport"}), "cmdExport");
        s.Click("cmdQuery");
        QCOMPARE(s.Enabled({"cmdPlay", "cmdExport"}), "cmdPlay cmdExport");
    }

    void exportThroughTheDialog_data() {
        QTest::addColumn<QString>("name"); // in the test folder; "": cancel
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<bool>("editorStarts");
        QTest::addColumn<QByteArray>("begins"); // the written file; "": nothing written
        QTest::addColumn<QString>("message");   // part of the one message shown, or ""
        QTest::newRow("PaPaGO!") << "day.txt" << 1 << true << QByteArray("Datum,WGS84") << "";
        QTest::newRow("MapSource") << "day.trk" << 2 << true << QByteArray("H  LATITUDE") << "";
        QTest::newRow("GPX") << "day.gpx" << 3 << true << QByteArray("<?xml") << "";
        QTest::newRow("blanks in the path")
            << "my tracks/day one.txt" << 1 << true << QByteArray("Datum,WGS84") << "";
        QTest::newRow("cancelled") << "" << 0 << true << QByteArray() << "";
        QTest::newRow("editor does not start")
            << "day.txt" << 1 << false << QByteArray("Datum,WGS84") << "text editor";
        // A folder nobody may write to, root included.
        QTest::newRow("unwritable folder")
            << "/proc/day.txt" << 1 << true << QByteArray() << "cannot be written";
    }

    // The dialog is asked with the remembered name; the chosen entry decides the format; the
    // written file opens in the editor and its name is remembered. A failure is shown, the
    // station goes on, and the name stays as it was.
    void exportThroughTheDialog() {
        QFETCH(QString, name);
        QFETCH(int, filterIndex);
        QFETCH(bool, editorStarts);
        QFETCH(QByteArray, begins);
        QFETCH(QString, message);
        HistoryWindow s;
        QVERIFY(s.Start(Seconds(3), "[Export]\nFileName=earlier.txt\n"));
        QVERIFY(s.FetchDay());
        QVERIFY(QDir(s.Dir.path()).mkpath("my tracks"));
        const QString path = name.isEmpty() || name.startsWith('/') ? name : s.Dir.filePath(name);
        s.Platform.FileChoices = {{path, filterIndex}};
        s.Platform.EditorStarts = editorStarts;
        s.Click("cmdExport");

        QCOMPARE(s.Platform.FileDialogs.size(), 1);
        const RecordingPlatform::FileDialog& dialog = s.Platform.FileDialogs[0];
        QCOMPARE(dialog.Filter, "PaPaGO! (*.txt)|*.txt|MapSource 6.5 (*.trk)|*.trk|"
                                "GPX 1.1 (*.gpx)|*.gpx");
        QCOMPARE(dialog.Title, "ExportFile");
        QCOMPARE(dialog.ProposedName, "earlier.txt");
        const bool written = !begins.isEmpty();
        QVERIFY(written ? FileBytes(path).startsWith(begins) : !QFile::exists(path));
        QCOMPARE(s.Platform.EditedFiles, written ? QStringList{path} : QStringList{});
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::ExportFileName),
                 written ? path : "earlier.txt");
        QCOMPARE(s.Platform.Messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(s.Platform.Messages[0].Text.contains(message),
                     qPrintable(s.Platform.Messages[0].Text));
        }
        QVERIFY(s.Platform.ExitCodes.isEmpty());
        QVERIFY(s.Control("cmdExport")->isEnabled());
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackHistory)
#include "tst_frmTrackHistory.moc"
