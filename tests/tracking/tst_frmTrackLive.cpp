#include "TestPseudoTerminal.h"
#include "clsDBLib.h"
#include "clsHistoryLog.h"
#include "frmTrack.h"
#include "shell/RecordingPlatform.h"
#include "shell/StationTestSupport.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A "$GPRMC" sentence with its checksum, ended by CR LF.
QByteArray rmc(const QByteArray& status, const QByteArray& latitude, const QByteArray& longitude,
               const QByteArray& speed, const QByteArray& course) {
    const QByteArray body = "GPRMC,120000.00," + status + ',' + latitude + ",N," + longitude +
                            ",E," + speed + ',' + course + ",180209,,";
    char sum = 0;
    for (char c : body) {
        sum ^= c;
    }
    return '$' + body + '*' + QByteArray::number(uchar(sum), 16).rightJustified(2, '0') + "\r\n";
}

const QByteArray First = rmc("A", "2502.1234", "12134.5678", "12.5", "123.4");
const QByteArray Second = rmc("V", "2502.2234", "12134.5678", "0.0", "90");
const QByteArray Third = rmc("A", "2502.3234", "12134.6678", "1234", "271.3");

} // namespace

class tst_frmTrackLive : public QObject {
    Q_OBJECT

    QTemporaryDir* dir_ = nullptr;
    TestPseudoTerminal* receiver_ = nullptr;
    RecordingPlatform* platform_ = nullptr;
    clsDBLib* db_ = nullptr;
    frmTrack* window_ = nullptr;

    template <class T> T* control(const char* name) const {
        return window_->findChild<T*>(QLatin1String(name));
    }
    QString caption() const { return control<QPushButton>("cmdQuery")->text(); }
    void clickConnect() { QTest::mouseClick(control<QPushButton>("cmdQuery"), Qt::LeftButton); }
    bool enabled(const char* name) const { return control<QWidget>(name)->isEnabled(); }

    int logLines() const {
        QFile log(clsHistoryLog::PathForMonth(dir_->path(), QDate::currentDate()));
        return log.open(QIODevice::ReadOnly) ? int(log.readAll().count("\r\r\n")) : 0;
    }

    // The window after start-up with COM2 chosen, which opens device.
    bool start(const QString& device) {
        return WritePortSettings(dir_->path(), 2, device, "[Settings]\r\nCommPort=2\r\n") &&
               (window_ = new frmTrack(dir_->path(), *db_))->Load() &&
               (window_->show(), QTest::qWaitForWindowExposed(window_));
    }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        QVERIFY(MakeProgramFolder(dir_->path()));
        receiver_ = new TestPseudoTerminal;
        platform_ = new RecordingPlatform;
        db_ = new clsDBLib;
    }

    void cleanup() {
        delete std::exchange(window_, nullptr);
        delete db_;
        delete platform_;
        delete receiver_;
        delete dir_;
    }

    void sentencesBecomeRowsAndLogRecords() {
        QVERIFY(start(receiver_->SlavePath()));
        QCOMPARE(control<QWidget>("cmdCommport")->toolTip(), receiver_->SlavePath());
        clickConnect();
        QVERIFY(platform_->Messages.isEmpty());
        QCOMPARE(caption(), QStringLiteral("Disconnect"));
        for (const char* name : {"cmdCommport", "cmdSetting", "cmdGET", "CmdPOI", "Check1"}) {
            QVERIFY2(!enabled(name), name);
        }
        QVERIFY(control<QWidget>("fraMap")->isVisible());

        // The first sentence comes in two pieces; its repetition adds nothing.
        QVERIFY(receiver_->Write(First.left(4)));
        QTest::qWait(50);
        QVERIFY(receiver_->Write(First.mid(4) + First + Second + Third));
        const clsDateViewModel& rows = window_->Rows();
        QTRY_COMPARE(rows.rowCount(), 3);
        QCOMPARE(rows.RowKey(2), QStringLiteral("#2"));
        QStringList first;
        for (int column = 0; column < rows.columnCount(); ++column) {
            first << rows.data(rows.index(0, column)).toString();
        }
        QCOMPARE(first.mid(2), (QStringList{" Real time position", "N 25\u00B0 02' 07\" ",
                                            "E 121\u00B0 34' 34\" ", "123.4", "12.5 kn"}));
        QCOMPARE(rows.SubItemText(1, QStringLiteral("CheckPoint")),
                 QStringLiteral(" Last location"));
        QCOMPARE(rows.SubItemText(2, QStringLiteral("SPEED")), QStringLiteral("1,234   kn"));
        QCOMPARE(control<QAbstractItemView>("DateView")->currentIndex().row(), 2);
        QCOMPARE(logLines(), 3);

        clickConnect();
        QCOMPARE(caption(), QStringLiteral("Connect"));
        for (const char* name : {"cmdCommport", "cmdSetting", "cmdGET", "CmdPOI", "Check1"}) {
            QVERIFY2(enabled(name), name);
        }
        QCOMPARE(rows.rowCount(), 3);
        clickConnect(); // a new opening starts an empty list
        QCOMPARE(rows.rowCount(), 0);
        clickConnect();
        QVERIFY(!enabled("Check1"));

        // Closing the window with the port open: no sentence is taken after that.
        clickConnect();
        QVERIFY(receiver_->Write(Second));
        QTRY_COMPARE(logLines(), 4);
        window_->close();
        QCOMPARE(platform_->ExitCodes, QList<int>{0});
        receiver_->Write(Third);
        QTest::qWait(300);
        QCOMPARE(logLines(), 4);
        QCOMPARE(rows.rowCount(), 1);
    }

    void portErrorsAreShown() {
        QVERIFY(start(QStringLiteral("/dev/station-no-such-receiver")));
        clickConnect();
        QCOMPARE(platform_->Messages.size(), 1);
        QCOMPARE(platform_->Messages[0].MessageIcon, IPlatform::Icon::Critical);
        QCOMPARE(platform_->Messages[0].Title, window_->windowTitle());
        QVERIFY(platform_->Messages[0].Text.contains(QStringLiteral("No such file")));
        QCOMPARE(caption(), QStringLiteral("Connect"));
        QVERIFY(enabled("cmdCommport"));
    }

    void lostReceiverReturnsToClosedState() {
        QVERIFY(start(receiver_->SlavePath()));
        clickConnect();
        QVERIFY(receiver_->Write(First));
        QTRY_COMPARE(window_->Rows().rowCount(), 1);
        receiver_->CloseMaster();
        QTRY_COMPARE(caption(), QStringLiteral("Connect"));
        QTest::qWait(200);
        QCOMPARE(platform_->Messages.size(), 1);
        QVERIFY(!platform_->Messages[0].Waits);
        QVERIFY(enabled("cmdGET") && enabled("Check1"));
    }

    void unwritableLogWarnsUntilItWorksAgain() {
        QVERIFY(start(receiver_->SlavePath()));
        QFile blocker(dir_->filePath(QStringLiteral("export"))); // a file where the folder goes
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        clickConnect();
        QVERIFY(receiver_->Write(First));
        QTRY_COMPARE(window_->Rows().rowCount(), 1);
        auto* panel = control<QLabel>("Panel1");
        QVERIFY(panel->text().contains(QStringLiteral("export")));
        QVERIFY(QFile::remove(blocker.fileName()));
        QVERIFY(receiver_->Write(Second));
        QTRY_COMPARE(window_->Rows().rowCount(), 2);
        QVERIFY(panel->text().isEmpty());
        QCOMPARE(logLines(), 1);
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackLive)
#include "tst_frmTrackLive.moc"
