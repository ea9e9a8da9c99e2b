#include "shell/StationTestSupport.h"
#include "shell/clsStationError.h"
#include "shell/frmLogo.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

const QByteArray Placed = "[Position]\nTrack=0,1200,900,9600,7200,\n";
const QString Version = " V0.9.218";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The message that opening the POI database at path gives, or "" when it opens.
QString databaseMessage(const QString& path) {
    clsDBLib db;
    try {
        db.OpenConnection(path);
    } catch (const clsStationError& error) {
        return error.Message();
    }
    db.CloseConnection();
    return {};
}

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

    // Every step of the set-up takes its settings and texts from what it is handed, not from
    // the files; a read after start-up goes to the file, so a hand edit counts.
    void loadTakesTheTextsItIsHanded() {
        StationWindow s;
        QVERIFY(
            s.Create("[Settings]\nCommPort=1\nSetting=0\n[Ports]\nCOM2=/dev/from-file\n" + Placed));
        const clsProfileText settings("[settings] ; the station\r\nCommPort=2\r\nSetting=1\r\n"
                                      "[Ports]\r\nCOM2=/dev/handed\r\n"
                                      "[Position]\r\nTrack=0,1500,600,8000,6000,\r\n");
        const clsProfileText language("[Track]\n0001=Handed\n0002=Points\n0016=Row\n");
        frmTrack* w = s.Window.get();
        QVERIFY(w->Load(settings, language));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->windowTitle(), "Handed" + Version);
        QCOMPARE(s.Control<QPushButton>("CmdPOI")->text(), "Points");
        QCOMPARE(w->Rows().headerData(0, Qt::Horizontal).toString(), "Row");
        auto* ports = s.Control<QComboBox>("cmdCommport");
        QCOMPARE(ports->currentText(), "COM2");
        QCOMPARE(ports->toolTip(), "/dev/handed");
        QCOMPARE(s.Control<QComboBox>("cmdSetting")->currentIndex(), 1);
        QCOMPARE(w->frameGeometry(),
                 QRect(modFormPosition::PixelsX(w, 1500), modFormPosition::PixelsY(w, 600),
                       modFormPosition::PixelsX(w, 8000), modFormPosition::PixelsY(w, 6000)));
        const frmLogo logo(s.Dir.path(), language, w);
        QCOMPARE(logo.findChild<QLabel*>("labLogo")->text(), "Handed" + Version);

        QVERIFY(modPrivate::WriteSetting(s.Dir.path(), "Ports", "COM3", "/dev/edited-by-hand"));
        ports->setCurrentIndex(2);
        QCOMPARE(ports->toolTip(), "/dev/edited-by-hand");
        ports->setCurrentIndex(1);
        QCOMPARE(ports->toolTip(), "/dev/from-file");
    }

    // A start-up step that fails shows the core's message as a critical message box and
    // ends the program through the platform, before the window is shown.
    void startupFailureEndsTheProgram_data() {
        QTest::addColumn<QString>("damaged");  // beneath the program folder
        QTest::addColumn<QByteArray>("bytes"); // null: the file is removed
        QTest::addColumn<QString>("message");  // "" : the database's own message for the file
        QTest::newRow("map template missing")
            << "carimage/Standards.txt" << QByteArray() << "carimage/Standards.txt";
        QTest::newRow("POI database that is no database")
            << "database/POI.mdb" << QByteArray(4096, 'x') << "";
    }

    void startupFailureEndsTheProgram() {
        QFETCH(QString, damaged);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        StationWindow s;
        QVERIFY(s.Create());
        const QString path = s.Dir.filePath(damaged);
        QVERIFY(bytes.isNull() ? QFile::remove(path) : writeFile(path, bytes));
        const QString expected =
            message.isEmpty() ? databaseMessage(s.Dir.filePath("database/POI.mdb")) : message;
        QVERIFY(!expected.isEmpty());

        QVERIFY(!s.Window->Load());
        QCOMPARE(s.Platform.ExitCodes, QList<int>{1});
        QCOMPARE(s.Platform.Messages.size(), 1);
        const RecordingPlatform::Message& shown = s.Platform.Messages.first();
        QVERIFY2(shown.Text.contains(QDir::toNativeSeparators(expected)), qPrintable(shown.Text));
        QCOMPARE(shown.Title, s.Window->windowTitle());
        QCOMPARE(shown.MessageIcon, IPlatform::Icon::Critical);
        QVERIFY(shown.Waits);
        QVERIFY(!s.Db.IsOpen());
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        }
    }

    // The splash shows the application title over the main window and closes itself when
    // Timer1 fires; closed earlier, it leaves the main window running.
    void splashClosesItself_data() {
        QTest::addColumn<bool>("closedEarly");
        QTest::newRow("by its timer") << false;
        QTest::newRow("closed early") << true;
    }

    void splashClosesItself() {
        QFETCH(bool, closedEarly);
        StationWindow s;
        QVERIFY(s.Start());
        frmLogo logo(s.Dir.path(), modPrivate::LoadLanguage(s.Dir.path()), s.Window.get());
        QCOMPARE(logo.findChild<QLabel*>("labLogo")->text(), "GPS Tracking Station" + Version);
        auto* timer = logo.findChild<QTimer*>("Timer1");
        QCOMPARE(timer->interval(), 2000);
        QVERIFY(timer->isActive() && timer->isSingleShot());
        QVERIFY(logo.isModal());
        logo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&logo));
        if (closedEarly) {
            logo.reject();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!logo.isVisible(), 10000);
        QCOMPARE(logo.result(), closedEarly ? QDialog::Rejected : QDialog::Accepted);
        QVERIFY(s.Window->isVisible());
        QVERIFY(s.Platform.ExitCodes.isEmpty());
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
