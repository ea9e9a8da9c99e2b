#include "map/MapPageSupport.h"
#include "shell/modPrivate.h"
#include "tracking/TestSentences.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/frmPorts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>

namespace {

const QByteArray First = "$GPRMC,120000.00,A,2502.1234,N,12134.5678,E,12.5,123.4,180209,,*08\r\n";
const QByteArray Second = "$GPRMC,120000.00,V,2502.2234,N,12134.5678,E,0.0,90,180209,,*09\r\n";
const QByteArray Third = "$GPRMC,120000.00,A,2502.3234,N,12134.6678,E,1234,271.3,180209,,*16\r\n";

// A sentence without a checksum to check, at latitude step and speed step.
QByteArray Moving(int step) {
    return "$GPRMC,1,A,25" + QByteArray::number(10 + step) + ".0000,N,12134.5678,E," +
           QByteArray::number(step) + ",0,180209,,*\r\n";
}

// The main window on its receiver, and what the live path shows.
struct LiveWindow : MapWindow {
    QString Caption() const { return Control<QPushButton>("cmdQuery")->text(); }
    // Those of the controls that an open port disables which are disabled now.
    QString DisabledPortControls() const {
        QStringList names{"cmdCommport", "cmdSetting", "cmdPorts", "cmdGET", "CmdPOI", "Check1"};
        names.removeIf([this](const QString& name) { return Control(name)->isEnabled(); });
        return names.join(QLatin1Char(' '));
    }
    QString LogPath() const { return clsHistoryLog::PathForMonth(Dir.path(), QDate(2009, 2, 1)); }
    // The speed field of every record of the log, in file order.
    QByteArrayList LogSpeeds() const {
        QByteArrayList speeds;
        for (const QByteArray& line : ReadFile(LogPath()).split('\n')) {
            speeds << line.split('|').value(6);
        }
        return speeds.mid(0, speeds.size() - 1); // after the last line end
    }
    QString Warning() const { return Control<QLabel>("Panel1")->text(); }
};

// Counts the paintings of a widget.
struct PaintCounter : QObject {
    int Count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class tst_frmTrackLive : public QObject {
    Q_OBJECT

private slots:
    // The first sentence comes in two pieces; its repetition adds nothing. The handler of
    // the second lets events run (as a message box in the drawing path does) while two more
    // arrive: they are handled after the third, in the list and in the log, without waiting
    // for more input.
    void sentencesBecomeRowsAndLogRecordsInArrivalOrder() {
        LiveWindow s;
        QVERIFY(s.Start());
        bool nested = false;
        connect(s.Window->findChild<clsSerialReceiver*>(), &clsSerialReceiver::SentenceReceived,
                this, [&](const QString& line, const QDateTime&) {
                    if (!nested && line.contains(",V,")) {
                        nested = true;
                        QVERIFY(s.Receiver.Write(Moving(3) + Moving(4)));
                        QTest::qWait(200);
                    }
                });
        s.Click("cmdQuery");
        QCOMPARE(s.Caption(), "Disconnect");
        QCOMPARE(s.DisabledPortControls(), "cmdCommport cmdSetting cmdPorts cmdGET CmdPOI Check1");
        QVERIFY(s.Receiver.Write(First.left(4)));
        QTest::qWait(50);
        QVERIFY(s.Receiver.Write(First.mid(4) + First + Second + Third));
        const clsDateViewModel& rows = s.Window->Rows();
        QTRY_COMPARE(rows.rowCount(), 5);
        QCOMPARE(s.LogSpeeds(), QByteArrayList({"12.5", "0", "1234", "3", "4"}));
        // The speed unit comes from the language file.
        QCOMPARE(rows.SubItemText(0, "SPEED") + "|" + rows.SubItemText(2, "SPEED"),
                 "12.5 kn|1,234   kn");
        QCOMPARE(s.Control<QTableView>("DateView")->currentIndex().row(), 4);

        s.Click("cmdQuery");
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(s.DisabledPortControls(), "");
        QCOMPARE(rows.rowCount(), 5);
        s.Click("cmdQuery"); // a new opening starts an empty list
        QCOMPARE(rows.rowCount(), 0);
        s.Click("cmdQuery");
        QCOMPARE(s.DisabledPortControls(), "Check1");

        // Closing the window with the port open: no sentence is taken after that.
        s.Click("cmdQuery");
        QVERIFY(s.Receiver.Write(Second));
        QTRY_COMPARE(s.LogSpeeds().size(), 6);
        s.Window->close();
        QCOMPARE(s.Platform.ExitCodes, QList<int>{0});
        s.Receiver.Write(Third);
        QTest::qWait(300);
        QCOMPARE(s.LogSpeeds().size(), 6);
        QCOMPARE(rows.rowCount(), 1);
    }

    void portErrorsAreShown_data() { AddBoolRows("lost", "missing device", "receiver lost"); }

    // A lost receiver is told once, naming its port and device, by a message that does not
    // wait, so reception is not held up.
    void portErrorsAreShown() {
        QFETCH(bool, lost);
        LiveWindow s;
        s.Device = lost ? s.Device : "/dev/station-no-such-receiver";
        QVERIFY(s.Start());
        s.Click("cmdQuery");
        if (lost) {
            QCOMPARE(s.Caption(), "Disconnect");
            s.Receiver.CloseMaster();
        }
        QTRY_COMPARE(s.Platform.Messages.size(), 1);
        const RecordingPlatform::Message& message = s.Platform.Messages[0];
        QCOMPARE(message.MessageIcon, IPlatform::Icon::Critical);
        QCOMPARE(message.Title, s.Window->windowTitle());
        QCOMPARE(message.Waits, !lost);
        const QString part =
            lost ? "COM2 (" + s.Receiver.SlavePath() + ") was lost"
                                    : "COM2 is assigned to " + s.Device + ", but there is no such";
        QVERIFY2(message.Text.contains(part), qPrintable(message.Text));
        QVERIFY(!lost || message.Text.endsWith("The port has been closed."));
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(s.DisabledPortControls(), "Check1");
        QTest::qWait(300);
        QCOMPARE(s.Platform.Messages.size(), 1);
    }

    // The receiver's panel from no data to a fix of a GN receiver, with the label over the
    // map until the first fix and the counts in its tooltip.
    void receiverStateIsShown() {
        LiveWindow s;
        QDateTime now(QDate(2009, 2, 18), QTime(12, 0));
        s.Clock = [&now] { return now; };
        QVERIFY(s.Start());
        auto* panel = s.Control<QLabel>("Panel3");
        auto* waiting = s.Control<QLabel>("lblWaitingFix");
        QVERIFY(!waiting->isVisible());
        s.Click("cmdQuery");
        QCOMPARE(panel->text(), "No data yet");
        QVERIFY(waiting->isVisible());
        QCOMPARE(waiting->text(), "Waiting for a fix from the receiver...");
        // The sentences as a receiver of talker GN sends them.
        const auto gn = [](const QByteArray& gp) {
            const QString body = QString::fromLatin1(gp).mid(3).section('*', 0, 0);
            return Checksummed("GN" + body).toLatin1() + "\r\n";
        };
        const QList<QPair<QByteArray, QString>> steps = {
            {"\x13\x7f\xe0$GPGSV*00\r\x01\r",
             "Data, but no complete sentence: most often the wrong line setting"},
            {Checksummed("GPGGA,1").toLatin1() + "\r\n", "Sentences, but no position (RMC) sentence"},
            {gn(Second), "No fix: the receiver reports a warning (V)"}, // held back
            {gn(First), "No fix: the receiver reports a warning (V)"},
        };
        for (const auto& [bytes, text] : steps) {
            QVERIFY(s.Receiver.Write(bytes));
            QTRY_COMPARE(panel->text(), text);
        }
        QVERIFY(waiting->isVisible());
        QVERIFY(s.Receiver.Write(gn(First))); // the third: the link follows GN
        QTRY_VERIFY(!waiting->isVisible());
        now = now.addSecs(1);
        QTRY_COMPARE(panel->text(), "Fix 1 s ago (GN)");
        QCOMPARE(panel->toolTip(), "Since the port opened: 6 lines, 3 RMC taken, 1 bad checksums, "
                                   "1 void fixes (V), 0 RMC of other talkers ignored");
        QCOMPARE(s.Window->Rows().rowCount(), 2); // the void fix and the GN position
        s.Click("cmdQuery");
        QCOMPARE(panel->text(), "");
    }

    // With the check box a lost receiver is tried again: no notice, the connect button keeps
    // its caption, the panel counts down; the button stops the retries.
    void lostReceiverIsRetriedFromTheWindow() {
        LiveWindow s;
        QVERIFY(s.Start());
        s.Control<QCheckBox>("chkReconnect")->click();
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), "Settings", "AutoReconnect"), "1");
        s.Click("cmdQuery");
        QVERIFY(s.Receiver.Write(First));
        QTRY_COMPARE(s.Window->Rows().rowCount(), 1);
        s.Receiver.CloseMaster();
        auto* panel = s.Control<QLabel>("Panel3");
        // On a busy machine the first retry may already have failed when the panel is read,
        // so any count is the countdown; the delays themselves are the receiver's own case.
        static const QRegularExpression countdown("^Receiver lost, trying again in \\d+ s$");
        QTRY_VERIFY(countdown.match(panel->text()).hasMatch());
        QCOMPARE(s.Caption(), "Disconnect");
        QCOMPARE(s.Platform.Messages.size(), 0);
        QCOMPARE(s.Window->Rows().rowCount(), 1);
        s.Click("cmdQuery");
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(panel->text(), "");
        QTest::qWait(2500);
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(s.Platform.Messages.size(), 0);
        // The next start keeps the choice.
        StationWindow again;
        QVERIFY(again.Start(ReadFile(s.Dir.filePath("vendrel.ini"))));
        QVERIFY(again.Control<QCheckBox>("chkReconnect")->isChecked());
    }

    // The ports dialog shows the entry's assignment, writes a device or an address as the
    // port reads it, refuses a malformed address with a message, and the list's tooltip
    // follows. What the operator sees of it is looked at in the window itself.
    void portsDialogAssigns() {
        LiveWindow s;
        QVERIFY(s.Start());
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmPorts*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* entry = dialog->findChild<QComboBox*>("cboEntry");
            auto* target = dialog->findChild<QComboBox*>("cboTarget");
            seen << entry->currentText() << target->currentText();
            const auto assign = [&](int index, const QString& text) {
                entry->setCurrentIndex(index);
                target->setEditText(text);
                QTest::mouseClick(dialog->findChild<QPushButton*>("cmdAssign"), Qt::LeftButton);
            };
            assign(3, " tcp://127.0.0.1:10110 ");
            assign(4, "gpsd://");
            assign(1, "udp://:10110");
            entry->setCurrentIndex(3);
            seen << target->currentText() << dialog->findChild<QLabel*>("lblOutcome")->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
        });
        s.Click("cmdPorts");
        QCOMPARE(seen, QStringList({"COM2", QString(s.Device), "tcp://127.0.0.1:10110", ""}));
        QCOMPARE(s.Platform.Messages.size(), 1);
        QVERIFY2(s.Platform.Messages[0].Text.startsWith("COM5 is assigned to \"gpsd://\""),
                 qPrintable(s.Platform.Messages[0].Text));
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), "Ports", "COM4"), "tcp://127.0.0.1:10110");
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), "Ports", "COM5"), "");
        auto* ports = s.Control<QComboBox>("cmdCommport");
        QCOMPARE(ports->itemData(3, Qt::ToolTipRole).toString(), "tcp://127.0.0.1:10110");
        QCOMPARE(ports->toolTip(), "udp://:10110"); // COM2, the chosen entry
    }

    // The list lays out only its scroll range for appended rows and repaints at most once an
    // interval (the benchmark measures it), yet the newest row is selected, in view where
    // the table itself has it, and painted.
    void newestRowIsSelectedInViewAndPainted() {
        StationWindow s;
        QVERIFY(s.Start());
        auto* view = s.Control<QTableView>("DateView");
        PaintCounter paints;
        view->viewport()->installEventFilter(&paints);
        for (int row = 0; row <= 300; ++row) {
            if (row == 300) {
                view->verticalScrollBar()->setValue(0); // the newest row comes from out of view
            }
            s.Window->Recorder().TrackRecords().Append(PositionFix{});
            s.Window->ShowAppendedRows();
            const QRect place = view->visualRect(view->currentIndex());
            QVERIFY(view->selectionModel()->isRowSelected(row, {}));
            QVERIFY(view->viewport()->rect().contains(place));
            QCOMPARE(view->indexAt(place.center()).row(), row);
        }
        const int atLastRow = paints.Count;
        QTRY_VERIFY(view->updatesEnabled() && paints.Count > atLastRow);
    }

    // While the operator has scrolled the live list back, new rows are added and selected
    // but the list stays where it is; scrolled to its end again, it follows the newest row.
    void liveListStaysWhereScrolledBack() {
        LiveWindow s;
        QVERIFY(s.Start());
        s.Click("cmdQuery");
        auto* view = s.Control<QTableView>("DateView");
        QScrollBar* bar = view->verticalScrollBar();
        QByteArray burst;
        for (int step = 1; step <= 60; ++step) {
            burst += Moving(step);
        }
        QVERIFY(s.Receiver.Write(burst));
        QTRY_COMPARE(s.Window->Rows().rowCount(), 60);
        QVERIFY(bar->maximum() > 3 && bar->value() == bar->maximum());
        const auto newestShown = [&] {
            return view->selectionModel()->isRowSelected(s.Window->Rows().rowCount() - 1, {}) &&
                   view->viewport()->rect().contains(view->visualRect(view->currentIndex()));
        };
        QVERIFY(newestShown());

        bar->setValue(3);
        QVERIFY(s.Send(Moving(61)) && s.Send(Moving(62)));
        QCOMPARE(bar->value(), 3);
        QVERIFY(view->selectionModel()->isRowSelected(61, {}));
        QVERIFY(!newestShown());

        bar->setValue(bar->maximum());
        QVERIFY(s.Send(Moving(63)));
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(newestShown());
    }

    // A log that cannot be written is told in the status bar until a record is written.
    void historyWarningIsSetAndCleared() {
        LiveWindow s;
        QVERIFY(s.Start());
        QVERIFY(QDir().mkpath(s.LogPath())); // a folder where the log should be
        s.Click("cmdQuery");
        QCOMPARE(s.Warning(), "");
        QVERIFY(s.Receiver.Write(Moving(1)));
        QTRY_COMPARE(s.Window->Rows().rowCount(), 1);
        QVERIFY2(s.Warning().contains(QDir::toNativeSeparators(s.LogPath())),
                 qPrintable(s.Warning()));
        QVERIFY(s.Receiver.Write(Moving(1).replace(",A,", ",X,"))); // the same place
        QTRY_COMPARE(s.Window->Recorder().CurrentFix().Status, "X");
        QVERIFY(!s.Warning().isEmpty());

        QVERIFY(QDir(s.LogPath()).removeRecursively());
        QVERIFY(s.Receiver.Write(Moving(3)));
        QTRY_COMPARE(s.Window->Rows().rowCount(), 2);
        QCOMPARE(s.Warning(), "");
        QCOMPARE(s.LogSpeeds(), QByteArrayList({"3"}));
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackLive)
#include "tst_frmTrackLive.moc"
