#include "shell/TestFiles.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"
#include "station/StationTestSupport.h"
#include "station/frmLogo.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>
#include <QTextBrowser>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

namespace {

const QByteArray Placed = "[Position]\nTrack=0,600,150,11400,9300,\n";
const QByteArray Chinese = "[Settings]\nLanguage=zh-TW\n";

// Every control of the main window that the operator reads or works.
const char* const Controls[] = {
    "mnuBar",      "fraMap",      "WBMaps",    "lblZoom",      "imgZoomIn",    "imgZoomOut",
    "lblCaption",  "lblSpeed",    "labXY",     "fraTrackQuery", "labComPort",  "cmdCommport",
    "Label1",      "cmdSetting",  "cmdPorts",  "chkReconnect", "cmdQuery",     "CmdPOI",
    "frmRecords",  "lblFromTime", "dtpFromTime", "Label7",     "Combo1",       "Combo2",
    "Label10",     "Combo4",      "Combo3",    "lblFromSpeed", "txtFromSpeed", "txtToSpeed",
    "cmdGET",      "fraPlay",     "Label5",    "txtInterval",  "Label4",       "sldInterval",
    "cmdPlay",     "cmdStopPlay", "cmdExport", "Check1",       "DateView",     "stbStatusBar"};

// Runs steps on the modal dialog of type W once it is up, while its opener waits in it.
template <class W> void WhenModal(std::function<void(W*)> steps) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, steps] {
        if (auto* dialog = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            steps(dialog);
        }
    });
    poll->start(10);
}

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
        QCOMPARE(stored(), "0,600,150,11400,9300,");
        w->showNormal();
        w->close();
        QCOMPARE(stored(), "0,1500,600,11400,9300,");
        w->showMaximized();
        w->close();
        QCOMPARE(stored(), "2,1500,600,11400,9300,");
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
                                   << QList<int>{600, 150, 11400, 9300};
        QTest::newRow("the texts handed")
            << true << "Handed V0.9.218|Points|Row|COM2|/dev/handed|4800,n,8,1"
            << QList<int>{600, 300, 11250, 9000};
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
                                      "[Position]\r\nTrack=0,600,300,11250,9000,\r\n");
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
        QVERIFY(s.Window->Load());
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

    // Without a stored placement the window first shows every column of the list, as far
    // as the screen allows. At its least size, in either language, every control lies whole
    // inside its frame and the window, as large as it needs to be to be used.
    void leastAndFirstSize_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("English") << QByteArray();
        QTest::newRow("Traditional Chinese") << Chinese;
    }

    void leastAndFirstSize() {
        QFETCH(QByteArray, settings);
        StationWindow s;
        QVERIFY(s.Start(settings));
        frmTrack* w = s.Window.get();
        const QRect available = w->screen()->availableGeometry();
        QVERIFY(w->width() <= available.width() && w->height() <= available.height());
        auto* list = s.Control<QTableView>("DateView");
        QVERIFY(w->width() == available.width() ||
                list->horizontalHeader()->length() <= list->viewport()->width());
        w->resize(1, 1);
        QTRY_COMPARE(w->size(), w->minimumSize());
        QStringList faults;
        for (const char* name : Controls) {
            QWidget* control = s.Control(name);
            const QRect inWindow(control->mapTo(w, QPoint()), control->size());
            if (!w->rect().contains(inWindow) ||
                !control->parentWidget()->rect().contains(control->geometry())) {
                faults << QString(name) + " cut";
            }
            const QSize least = control->minimumSizeHint();
            if (control->width() < least.width() || control->height() < least.height()) {
                faults << QString("%1 %2x%3 < %4x%5")
                              .arg(name)
                              .arg(control->width())
                              .arg(control->height())
                              .arg(least.width())
                              .arg(least.height());
            }
        }
        QCOMPARE(faults.join(", "), "");
    }

    // The language menu writes the choice, which shows from the next start; the window
    // keeps the language it runs in.
    void languageMenuWritesTheChoice() {
        StationWindow s;
        QVERIFY(s.Start());
        auto* english = s.Window->findChild<QAction*>("mnuLanguage_");
        auto* chinese = s.Window->findChild<QAction*>("mnuLanguage_zh-TW");
        QVERIFY(english->isChecked() && !chinese->isChecked());
        QStringList seen;
        for (QAction* entry : {chinese, chinese, english}) {
            entry->trigger();
            seen << modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::Language) + "|" +
                        QString::number(s.Platform.Messages.size());
        }
        QCOMPARE(seen, QStringList({"zh-TW|1", "zh-TW|1", "|2"}));
        QCOMPARE(s.Platform.Messages[0].Text,
                 "The station shows the chosen language from its next start.");
        QCOMPARE(s.Platform.Messages[0].MessageIcon, IPlatform::Icon::Information);
        QCOMPARE(s.Control<QPushButton>("CmdPOI")->text(), "POI");
    }

    // F1 opens the guide once it is in the program folder, and again only brings it to
    // the front; the about box names the version, the folder and the works the package's
    // copyright file credits.
    void guideAndAbout() {
        StationWindow s;
        QVERIFY(s.Start(Chinese));
        QTest::keyClick(s.Window.get(), Qt::Key_F1);
        QCOMPARE(s.Platform.Messages.size(), 1);
        QVERIFY(s.Platform.Messages[0].Text.startsWith("找不到操作手冊"));
        QVERIFY(QFile::copy(STATION_BUILD_DIR "/station/help/guide.html",
                            s.Dir.filePath("help/guide.html")) ||
                (QDir().mkpath(s.Dir.filePath("help")) &&
                 QFile::copy(STATION_BUILD_DIR "/station/help/guide.html",
                             s.Dir.filePath("help/guide.html"))));
        QTest::keyClick(s.Window.get(), Qt::Key_F1);
        QTest::keyClick(s.Window.get(), Qt::Key_F1);
        const QList<QWidget*> guides = s.Window->findChildren<QWidget*>("frmHelp");
        QCOMPARE(guides.size(), 1);
        QVERIFY(guides[0]->isVisible());
        const QString guide = guides[0]->findChild<QTextBrowser*>("txtGuide")->toPlainText();
        for (const char* part : {"Points of interest", "Refresh", "Offline maps", "Language"}) {
            QVERIFY2(guide.contains(part), part);
        }
        QVERIFY(!guide.contains("Source folders"));

        QString about;
        WhenModal<QDialog>([&about](QDialog* box) {
            about = box->findChild<QTextBrowser*>("txtAbout")->toPlainText();
            box->reject();
        });
        s.Window->findChild<QAction*>("mnuAbout")->trigger();
        QVERIFY(about.contains("版本 0.9.0.218"));
        QVERIFY(about.contains(QDir::toNativeSeparators(s.Dir.path())));
        QStringList credited{"Qt", "SQLCipher", "Adwaita", "OpenStreetMap", "Natural Earth"};
        const QString copyright = QString::fromUtf8(ReadFile(STATION_SOURCE_DIR "/packaging/copyright"));
        for (const QRegularExpressionMatch& npm :
             QRegularExpression("\\(npm package ([^)]+)\\)").globalMatch(copyright)) {
            credited << npm.captured(1);
        }
        QCOMPARE(credited.size(), 9);
        for (const QString& name : credited) {
            QVERIFY2(about.contains(name, Qt::CaseInsensitive), qPrintable(name));
        }
        QVERIFY(about.contains("Volodymyr Agafonkin")); // Leaflet's licence as shipped
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
