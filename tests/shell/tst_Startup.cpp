#include "RecordingPlatform.h"
#include "StationTestSupport.h"
#include "clsDBLib.h"
#include "frmLogo.h"
#include "frmTrack.h"
#include "modFormPosition.h"
#include "modPrivate.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

class tst_Startup : public QObject {
    Q_OBJECT

    QTemporaryDir* dir_ = nullptr;
    RecordingPlatform* platform_ = nullptr;
    clsDBLib* db_ = nullptr;
    frmTrack* window_ = nullptr;

    QString folder() const { return dir_->path(); }
    template <class T> T* control(const char* name) const {
        return window_->findChild<T*>(QLatin1String(name));
    }
    QString storedPlacement() const {
        return modPrivate::ReadSetting(folder(), QStringLiteral("Position"),
                                       QStringLiteral("Track"));
    }

    // The main window over a program folder holding the given settings file.
    bool create(const QByteArray& settings = {}) {
        QFile file(dir_->filePath(QStringLiteral("vendrel.ini")));
        window_ = new frmTrack(folder(), *db_);
        return settings.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(settings) > 0);
    }

    bool loadAndShow() {
        return window_->Load() && (window_->show(), QTest::qWaitForWindowExposed(window_));
    }

private slots:
    void init() {
        dir_ = new QTemporaryDir;
        QVERIFY(MakeProgramFolder(dir_->path()));
        platform_ = new RecordingPlatform;
        db_ = new clsDBLib;
    }

    void cleanup() {
        delete std::exchange(window_, nullptr);
        delete db_;
        delete platform_;
        delete dir_;
    }

    void startWithoutSettingsFile() {
        QVERIFY(create());
        QVERIFY(!control<QGroupBox>("fraMap")->isVisibleTo(window_));
        QVERIFY(!control<QWidget>("cmdPlay")->isEnabled() &&
                !control<QWidget>("Check1")->isEnabled());
        QVERIFY(control<QTimer>("MapTimer")->isActive() && !control<QTimer>("Timer3")->isActive());
        const QSize designed = window_->size();
        QVERIFY(window_->Load());
        QVERIFY(platform_->Messages.isEmpty());
        QCOMPARE(window_->size(), designed);
        QCOMPARE(window_->windowTitle(), QStringLiteral("GPS Tracking Station V0.9.218"));
        QCOMPARE(control<QComboBox>("cmdCommport")->count(), 15);
        QCOMPARE(control<QComboBox>("cmdCommport")->currentIndex(), -1);
        QCOMPARE(control<QComboBox>("cmdSetting")->currentText(), QStringLiteral("4800,n,8,1"));
        QCOMPARE(control<QWidget>("cmdQuery")->property("text").toString(),
                 QStringLiteral("Connect"));
        QCOMPARE(control<QWidget>("Label4")->property("text").toString(),
                 QStringLiteral("records"));
        QVERIFY(control<QGroupBox>("fraTrackQuery")->title().isEmpty());
        QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("database/POI.mdb"))));

        auto* startHour = control<QComboBox>("Combo1");
        auto* endHour = control<QComboBox>("Combo4");
        QCOMPARE(startHour->count(), 24);
        QCOMPARE(startHour->currentText(), QStringLiteral("00"));
        QCOMPARE(endHour->count(), 25);
        QCOMPARE(endHour->itemText(9), QStringLiteral("09"));
        QCOMPARE(endHour->currentText(), QStringLiteral("24"));
        QCOMPARE(control<QComboBox>("Combo3")->itemText(5), QStringLiteral("50"));

        QStringList keys;
        for (const clsDateViewModel::Column& column : window_->Rows().Columns()) {
            keys << column.Key;
        }
        QCOMPARE(keys, (QStringList{"Index", "Date", "CheckPoint", "Latitude", "LONGITUDE",
                                    "Direction", "SPEED"}));
        QCOMPARE(window_->Rows().headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Status"));
    }

    void startWithFullSettingsFile() {
        QVERIFY(create("[Settings]\nCommPort=3\nSetting=1\nZoom=18\n"
                       "[Ports]\nCOM3=/dev/station-test-receiver\n"
                       "[Position]\nTrack=0,1200,900,9600,7200,\n"));
        QVERIFY(loadAndShow());
        QCOMPARE(window_->frameGeometry(), QRect(modFormPosition::PixelsX(window_, 1200),
                                                 modFormPosition::PixelsY(window_, 900),
                                                 modFormPosition::PixelsX(window_, 9600),
                                                 modFormPosition::PixelsY(window_, 7200)));
        QCOMPARE(control<QComboBox>("cmdCommport")->currentText(), QStringLiteral("COM3"));
        QCOMPARE(control<QComboBox>("cmdCommport")->toolTip(),
                 QStringLiteral("/dev/station-test-receiver"));
        QCOMPARE(control<QComboBox>("cmdSetting")->currentText(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(control<QLabel>("lblZoom")->text(), QStringLiteral("15"));
    }

    void placementOffTheScreenIsBroughtBack() {
        QVERIFY(create("[Position]\nTrack=0,-500000,9e9,400000,1e300,\n"));
        QVERIFY(loadAndShow());
        QVERIFY(window_->screen()->availableGeometry().contains(window_->frameGeometry()));
    }

    void unreadableDatabaseEndsTheProgram() {
        QFile notADatabase(dir_->filePath(QStringLiteral("database/POI.mdb")));
        QVERIFY(notADatabase.open(QIODevice::WriteOnly) &&
                notADatabase.write(QByteArray(4096, 'x')));
        notADatabase.close();
        QVERIFY(create());
        QVERIFY(!window_->Load());
        QCOMPARE(platform_->Messages.size(), 1);
        QCOMPARE(platform_->Messages[0].Title, window_->windowTitle());
        QCOMPARE(platform_->Messages[0].MessageIcon, IPlatform::Icon::Critical);
        QCOMPARE(platform_->ExitCodes, QList<int>{1});
    }

    void closingStoresPlacementExceptWhenMinimised() {
        QVERIFY(create("[Position]\nTrack=0,1200,900,9600,7200,\n"));
        QVERIFY(loadAndShow());
        window_->move(modFormPosition::PixelsX(window_, 1500),
                      modFormPosition::PixelsY(window_, 600));
        window_->showMinimized();
        QTRY_VERIFY(window_->isMinimized());
        window_->close();
        QCOMPARE(storedPlacement(), QStringLiteral("0,1200,900,9600,7200,"));
        window_->showNormal();
        window_->close();
        QCOMPARE(storedPlacement(), QStringLiteral("0,1500,600,9600,7200,"));
        window_->showMaximized();
        window_->close();
        QCOMPARE(storedPlacement(), QStringLiteral("2,1500,600,9600,7200,"));
        QCOMPARE(platform_->ExitCodes, (QList<int>{0, 0, 0}));
    }

    void splashShowsTitleAndGoesByItself() {
        QWidget owner;
        frmLogo logo(folder(), &owner);
        QCOMPARE(logo.findChild<QLabel*>(QStringLiteral("labLogo"))->text(),
                 QStringLiteral("GPS Tracking Station V0.9.218"));
        QElapsedTimer clock;
        clock.start();
        logo.exec();
        QVERIFY(clock.elapsed() >= 1900);
    }

    void secondInstanceEndsSilently() {
        const QString program = QStringLiteral(STATION_BUILD_DIR "/station/station");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("STATION_HOME"), folder());
        QProcess first;
        QProcess second;
        first.setProcessEnvironment(environment);
        second.setProcessEnvironment(environment);
        first.start(program, {});
        // The first copy holds the folder before it opens the database.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir_->filePath(QStringLiteral("database/POI.mdb"))),
                                 20000);
        second.start(program, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAll().isEmpty());
        QCOMPARE(first.state(), QProcess::Running);
        // A lock left by a copy that was killed does not keep the next one out.
        first.kill();
        QVERIFY(first.waitForFinished());
        second.start(program, {});
        QVERIFY(!second.waitForFinished(3000));
        second.kill();
        second.waitForFinished();
    }
};

STATION_UI_TEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
