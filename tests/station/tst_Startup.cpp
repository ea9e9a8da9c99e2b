#include "shell/TestFiles.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"
#include "station/StationTestSupport.h"
#include "station/frmLogo.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QByteArray Placed = "[Position]\nTrack=0,1200,900,9600,7200,\n";

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void placementOffTheScreenIsBroughtBack() {
        StationWindow s;
        QVERIFY(s.Start("[Position]\nTrack=0,-500000,9e9,400000,1e300,\n"));
        QVERIFY(s.Window->screen()->availableGeometry().contains(s.Window->frameGeometry()));
    }

    void closingStoresPlacementExceptWhenMinimised() {
        StationWindow s;
        QVERIFY(s.Start(Placed));
        const auto stored = [&] {
            return modPrivate::ReadSetting(s.Dir.path(), "Position", "Track");
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

    // Load reads the files, or takes the texts that start-up read once and hands to every
    // step; a read after start-up goes to the file, so a hand edit counts.
    void loadTakesTheFilesOrTheTextsItIsHanded_data() {
        QTest::addColumn<bool>("handed");
        QTest::addColumn<QString>("seen"); // title|POI button|first header|port|device|line
        QTest::addColumn<QList<int>>("twips");
        QTest::newRow("the files") << false
                                   << "GPS Tracking Station V0.9.218|POI|No.|COM3|/dev/com3|"
                                      "115200,n,8,1"
                                   << QList<int>{1200, 900, 9600, 7200};
        QTest::newRow("the texts handed")
            << true << "Handed V0.9.218|Points|Row|COM2|/dev/handed|4800,n,8,1"
            << QList<int>{1500, 600, 8000, 6000};
    }

    void loadTakesTheFilesOrTheTextsItIsHanded() {
        QFETCH(bool, handed);
        QFETCH(QString, seen);
        QFETCH(QList<int>, twips);
        StationWindow s;
        QVERIFY(s.Create("[Settings]\nCommPort=3\nSetting=5\n[Ports]\nCOM2=/dev/from-file\n"
                         "COM3=/dev/com3\n" +
                         Placed));
        const clsProfileText settings("[settings] ; the station\r\nCommPort=2\r\nSetting=0\r\n"
                                      "[Ports]\r\nCOM2=/dev/handed\r\n"
                                      "[Position]\r\nTrack=0,1500,600,8000,6000,\r\n");
        const clsProfileText language =
            handed ? clsProfileText("[Track]\n0001=Handed\n0002=Points\n0016=Row\n")
                   : modPrivate::LoadLanguage(s.Dir.path());
        frmTrack* w = s.Window.get();
        QVERIFY(handed ? w->Load(settings, language) : w->Load());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto* ports = s.Control<QComboBox>("cmdCommport");
        QCOMPARE(
            QStringList({w->windowTitle(), s.Control<QPushButton>("CmdPOI")->text(),
                         w->Rows().headerData(0, Qt::Horizontal).toString(), ports->currentText(),
                         ports->toolTip(), s.Control<QComboBox>("cmdSetting")->currentText()})
                .join('|'),
            seen);
        using namespace modFormPosition; // the outer bounds in twips
        QCOMPARE(w->frameGeometry(), QRect(PixelsX(w, twips[0]), PixelsY(w, twips[1]),
                                           PixelsX(w, twips[2]), PixelsY(w, twips[3])));
        const frmLogo logo(s.Dir.path(), language, w);
        QCOMPARE(logo.findChild<QLabel*>("labLogo")->text(), w->windowTitle());

        QVERIFY(modPrivate::WriteSetting(s.Dir.path(), "Ports", "COM4", "/dev/edited-by-hand"));
        ports->setCurrentIndex(3);
        QCOMPARE(ports->toolTip(), "/dev/edited-by-hand");
        ports->setCurrentIndex(1);
        QCOMPARE(ports->toolTip(), "/dev/from-file");
    }

    // The map starts at its own level: the level the last run stored is not taken up.
    void startZoomIsNotTheStoredOne() {
        StationWindow s;
        QVERIFY(s.Start("[Settings]\nZoom=18\n"));
        QCOMPARE(s.Control<QLabel>("lblZoom")->text(), "15");
    }

    // A start-up step that fails shows its message, naming the file, as a critical message
    // box and ends the program through the platform, before the window is shown.
    void startupFailureEndsTheProgram_data() {
        QTest::addColumn<QString>("damaged");  // beneath the program folder
        QTest::addColumn<QByteArray>("bytes"); // null: the file is removed
        QTest::newRow("map template missing") << "carimage/Standards.txt" << QByteArray();
        QTest::newRow("POI database that is no database")
            << "database/POI.mdb" << QByteArray(4096, 'x');
    }

    void startupFailureEndsTheProgram() {
        QFETCH(QString, damaged);
        QFETCH(QByteArray, bytes);
        StationWindow s;
        QVERIFY(s.Create());
        const QString path = s.Dir.filePath(damaged);
        QVERIFY(bytes.isNull() ? QFile::remove(path) : WriteFile(path, bytes));
        QVERIFY(!s.Window->Load());
        QCOMPARE(s.Platform.ExitCodes, QList<int>{1});
        QCOMPARE(s.Platform.Messages.size(), 1);
        const RecordingPlatform::Message& shown = s.Platform.Messages.first();
        QVERIFY2(shown.Text.contains(QDir::toNativeSeparators(path)), qPrintable(shown.Text));
        QCOMPARE(shown.Title, s.Window->windowTitle());
        QCOMPARE(shown.MessageIcon, IPlatform::Icon::Critical);
        QVERIFY(shown.Waits && !s.Db.IsOpen() && !s.Window->isVisible());
    }

    // Without a settings file the window starts at its designed size without a message. The
    // splash closes itself after 2 s; closed earlier, it leaves the main window running.
    void startAndSplash_data() { AddBoolRows("closedEarly", "by its timer", "closed early"); }

    void startAndSplash() {
        QFETCH(bool, closedEarly);
        StationWindow s;
        QVERIFY(s.Create());
        const QSize designed = s.Window->size();
        QVERIFY(s.Window->Load());
        QCOMPARE(s.Window->size(), designed);
        s.Window->show();
        frmLogo logo(s.Dir.path(), modPrivate::LoadLanguage(s.Dir.path()), s.Window.get());
        auto* timer = logo.findChild<QTimer*>("Timer1");
        QVERIFY(timer->interval() == 2000 && timer->isActive() && timer->isSingleShot());
        QVERIFY(logo.isModal());
        logo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&logo));
        if (closedEarly) {
            logo.reject();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!logo.isVisible(), 10000);
        QCOMPARE(logo.result(), closedEarly ? QDialog::Rejected : QDialog::Accepted);
        QVERIFY(s.Window->isVisible() && s.Platform.ExitCodes.isEmpty());
        QVERIFY(s.Platform.Messages.isEmpty());
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
