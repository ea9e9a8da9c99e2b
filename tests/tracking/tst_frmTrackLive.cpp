#include "shell/StationTestSupport.h"
#include "tracking/FixRow.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsHistoryLog.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

namespace {

const QByteArray First = "$GPRMC,120000.00,A,2502.1234,N,12134.5678,E,12.5,123.4,180209,,*08\r\n";
const QByteArray Second = "$GPRMC,120000.00,V,2502.2234,N,12134.5678,E,0.0,90,180209,,*09\r\n";
const QByteArray Third = "$GPRMC,120000.00,A,2502.3234,N,12134.6678,E,1234,271.3,180209,,*16\r\n";

// The main window with COM2 chosen, which opens device, and what the live path shows.
struct LiveWindow : StationWindow {
    bool Start(const QString& device) {
        return StationWindow::Start("[Ports]\nCOM2=" + device.toLocal8Bit() +
                                    "\n[Settings]\nCommPort=2\n");
    }
    void ClickConnect() { QTest::mouseClick(Control("cmdQuery"), Qt::LeftButton); }
    QString Caption() const { return Control<QPushButton>("cmdQuery")->text(); }
    // Those of the controls that an open port disables which are disabled now.
    QString DisabledPortControls() const {
        QStringList names{"cmdCommport", "cmdSetting", "cmdGET", "CmdPOI", "Check1"};
        names.removeIf([this](const QString& name) { return Control(name)->isEnabled(); });
        return names.join(QLatin1Char(' '));
    }
    int LogLines() const {
        QFile log(clsHistoryLog::PathForMonth(Dir.path(), QDate::currentDate()));
        return log.open(QIODevice::ReadOnly) ? int(log.readAll().count("\r\r\n")) : 0;
    }
};

} // namespace

class tst_frmTrackLive : public QObject {
    Q_OBJECT

private slots:
    void sentencesBecomeRowsAndLogRecords() {
        TestPseudoTerminal receiver;
        LiveWindow s;
        QVERIFY(s.Start(receiver.SlavePath()));
        s.ClickConnect();
        QCOMPARE(s.Caption(), "Disconnect");
        QCOMPARE(s.DisabledPortControls(), "cmdCommport cmdSetting cmdGET CmdPOI Check1");
        QVERIFY(s.Control("fraMap")->isVisible());

        // The first sentence comes in two pieces; its repetition adds nothing.
        QVERIFY(receiver.Write(First.left(4)));
        QTest::qWait(50);
        QVERIFY(receiver.Write(First.mid(4) + First + Second + Third));
        const clsDateViewModel& rows = s.Window->Rows();
        QTRY_COMPARE(rows.rowCount(), 3);
        QCOMPARE(rows.RowKey(2), "#2");
        QStringList first;
        for (int column = 2; column < rows.columnCount(); ++column) {
            first << rows.data(rows.index(0, column)).toString();
        }
        QCOMPARE(first, (QStringList{" Real time position", "N 25\u00B0 02' 07\" ",
                                     "E 121\u00B0 34' 34\" ", "123.4", "12.5 kn"}));
        QCOMPARE(rows.SubItemText(1, "CheckPoint"), " Last location");
        QCOMPARE(rows.SubItemText(2, "SPEED"), "1,234   kn");
        QCOMPARE(s.Control<QTableView>("DateView")->currentIndex().row(), 2);
        QCOMPARE(s.LogLines(), 3);

        s.ClickConnect();
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(s.DisabledPortControls(), "");
        QCOMPARE(rows.rowCount(), 3);
        s.ClickConnect(); // a new opening starts an empty list
        QCOMPARE(rows.rowCount(), 0);
        s.ClickConnect();
        QCOMPARE(s.DisabledPortControls(), "Check1");

        // Closing the window with the port open: no sentence is taken after that.
        s.ClickConnect();
        QVERIFY(receiver.Write(Second));
        QTRY_COMPARE(s.LogLines(), 4);
        s.Window->close();
        QCOMPARE(s.Platform.ExitCodes, QList<int>{0});
        receiver.Write(Third);
        QTest::qWait(300);
        QCOMPARE(s.LogLines(), 4);
        QCOMPARE(rows.rowCount(), 1);
    }

    void portErrorsAreShown_data() {
        QTest::addColumn<bool>("lost");
        QTest::newRow("missing device") << false;
        QTest::newRow("receiver lost") << true;
    }

    // A lost receiver is told by a message that does not wait, so reception is not held up.
    void portErrorsAreShown() {
        QFETCH(bool, lost);
        TestPseudoTerminal receiver;
        LiveWindow s;
        QVERIFY(s.Start(lost ? receiver.SlavePath() : "/dev/station-no-such-receiver"));
        s.ClickConnect();
        if (lost) {
            QCOMPARE(s.Caption(), "Disconnect");
            receiver.CloseMaster();
        }
        QTRY_COMPARE(s.Platform.Messages.size(), 1);
        const RecordingPlatform::Message& message = s.Platform.Messages[0];
        QCOMPARE(message.MessageIcon, IPlatform::Icon::Critical);
        QCOMPARE(message.Title, s.Window->windowTitle());
        QCOMPARE(message.Waits, !lost);
        QVERIFY(lost || message.Text.contains("No such file"));
        QCOMPARE(s.Caption(), "Connect");
        QCOMPARE(s.DisabledPortControls(), "Check1");
    }

    void newestRowIsSelectedAndInView() {
        StationWindow s;
        QVERIFY(s.Start());
        auto* view = s.Control<QTableView>("DateView");
        for (int row = 0; row <= 300; ++row) {
            if (row == 300) {
                view->verticalScrollBar()->setValue(0); // the newest row comes from out of view
            }
            s.Window->AddFixRow(FixRow::FromFix(row, PositionFix{}, " kn"));
            const QRect place = view->visualRect(view->currentIndex());
            QVERIFY(view->selectionModel()->isRowSelected(row, {}));
            QVERIFY(view->viewport()->rect().contains(place));
            QCOMPARE(view->indexAt(place.center()).row(), row); // where the table itself has it
        }
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackLive)
#include "tst_frmTrackLive.moc"
