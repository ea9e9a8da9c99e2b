#include "shell/StationTestSupport.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"

#include <QComboBox>
#include <QProcess>
#include <QScreen>

namespace {

const QByteArray Placed = "[Position]\nTrack=0,1200,900,9600,7200,\n";

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void startWithoutSettingsFile() {
        StationWindow s;
        QVERIFY(s.Create());
        const QSize designed = s.Window->size();
        QVERIFY(s.Window->Load());
        QVERIFY(s.Platform.Messages.isEmpty());
        QCOMPARE(s.Window->size(), designed);
        QCOMPARE(s.Window->windowTitle(), "GPS Tracking Station V0.9.218");
        auto* endHour = s.Control<QComboBox>("Combo4");
        QCOMPARE(endHour->count(), 25);
        QCOMPARE(endHour->currentText(), "24");
        QStringList keys;
        for (const clsDateViewModel::Column& column : s.Window->Rows().Columns()) {
            keys << column.Key;
        }
        QCOMPARE(keys, (QStringList{"Index", "Date", "CheckPoint", "Latitude", "LONGITUDE",
                                    "Direction", "SPEED"}));
        QCOMPARE(s.Window->Rows().headerData(2, Qt::Horizontal).toString(), "Status");
    }

    void startWithFullSettingsFile() {
        StationWindow s;
        QVERIFY(s.Start("[Settings]\nCommPort=3\nSetting=1\n[Ports]\nCOM3=/dev/station-test\n" +
                        Placed));
        frmTrack* w = s.Window.get();
        QCOMPARE(w->frameGeometry(),
                 QRect(modFormPosition::PixelsX(w, 1200), modFormPosition::PixelsY(w, 900),
                       modFormPosition::PixelsX(w, 9600), modFormPosition::PixelsY(w, 7200)));
        QCOMPARE(s.Control<QComboBox>("cmdCommport")->currentText(), "COM3");
        QCOMPARE(s.Control("cmdCommport")->toolTip(), "/dev/station-test");
        QCOMPARE(s.Control<QComboBox>("cmdSetting")->currentText(), "9600,n,8,1");
    }

    void placementOffTheScreenIsBroughtBack() {
        StationWindow s;
        QVERIFY(s.Start("[Position]\nTrack=0,-500000,9e9,400000,1e300,\n"));
        QVERIFY(s.Window->screen()->availableGeometry().contains(s.Window->frameGeometry()));
    }

    void closingStoresPlacementExceptWhenMinimised() {
        StationWindow s;
        QVERIFY(s.Start(Placed));
        const auto stored = [&] {
            return modPrivate::ReadSetting(s.Dir.path(), QStringLiteral("Position"),
                                           QStringLiteral("Track"));
        };
        frmTrack* w = s.Window.get();
        w->move(modFormPosition::PixelsX(w, 1500), modFormPosition::PixelsY(w, 600));
        w->showMinimized();
        QTRY_VERIFY(w->isMinimized());
        w->close();
        QCOMPARE(stored(), "0,1200,900,9600,7200,");
        w->showNormal();
        w->close();
        QCOMPARE(stored(), "0,1500,600,9600,7200,");
        w->showMaximized();
        w->close();
        QCOMPARE(stored(), "2,1500,600,9600,7200,");
    }

    void secondInstanceEndsSilently() {
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        qputenv("STATION_HOME", QFile::encodeName(dir.path())); // for the copies started here
        const QString program = QStringLiteral(STATION_BUILD_DIR "/station/station");
        QProcess first;
        QProcess second;
        first.start(program);
        // The first copy holds the folder before it opens the database.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("database/POI.mdb")), 20000);
        second.start(program);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAll().isEmpty());
        QCOMPARE(first.state(), QProcess::Running);
        // A lock left by a copy that was killed does not keep the next one out.
        first.kill();
        QVERIFY(first.waitForFinished());
        second.start(program);
        QVERIFY(!second.waitForFinished(3000));
        second.kill();
        second.waitForFinished();
    }
};

STATION_UI_TEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
