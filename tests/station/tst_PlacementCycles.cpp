// The real program started and closed again and again under a real window manager on a
// display of its own: the stored placement must come back as it was stored, the first start
// shows the whole list, and a second start brings the running one to the front.

#include "shell/clsProfileFile.h"
#include "station/StationTestSupport.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

class tst_PlacementCycles : public QObject {
    Q_OBJECT

    QProcess m_server;
    QProcess m_windowManager;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

    // Output of wmctrl on the test's display; "" when it failed.
    QString wmctrl(const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start("wmctrl", arguments);
        tool.waitForFinished(5000);
        return QString::fromLocal8Bit(tool.readAllStandardOutput());
    }

    // The map state of a window as xwininfo tells it: IsViewable, IsUnMapped, ...
    QString mapState(const QString& id) {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start("xwininfo", {"-id", id});
        tool.waitForFinished(5000);
        const QString info = QString::fromLocal8Bit(tool.readAllStandardOutput());
        return info.section("Map State:", 1).section('\n', 0, 0).trimmed();
    }

    // The station started on the test's display from the program folder dir, its main
    // window up alone after the splash; its window's id, "" when it did not come.
    QString startStation(QProcess& station, const QString& dir) {
        QProcessEnvironment environment = m_environment;
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("STATION_HOME", dir);
        station.setProcessEnvironment(environment);
        station.start(STATION_BUILD_DIR "/station/station", {});
        if (!station.waitForStarted()) {
            return {};
        }
        QTest::qWaitFor([&] { return windowsOf(station.processId()).size() == 2; }, 30000);
        QTest::qWaitFor([&] { return windowsOf(station.processId()).size() == 1; }, 30000);
        const QStringList windows = windowsOf(station.processId());
        return windows.size() == 1 ? windows[0] : QString();
    }

    // The ids of the managed windows of the process.
    QStringList windowsOf(qint64 pid) {
        QStringList ids;
        for (const QString& line : wmctrl({"-l", "-p"}).split('\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.simplified().split(' ');
            if (fields.size() > 2 && fields[2] == QString::number(pid)) {
                ids << fields[0];
            }
        }
        return ids;
    }

private slots:
    void initTestCase() {
        // wmctrl closes the window as an operator would.
        for (const char* tool : {"Xvfb", "openbox", "wmctrl", "xwininfo"}) {
            QVERIFY2(
                !QStandardPaths::findExecutable(tool).isEmpty(),
                qPrintable(QString("%1 is not installed: scripts/setup installs it").arg(tool)));
        }
        // Xvfb chooses a free display and writes its number once it accepts clients.
        m_server.start("Xvfb",
                       {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QVERIFY(m_server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine(), 60000);
        m_environment.insert("DISPLAY", ':' + QString::fromLatin1(m_server.readLine().trimmed()));
        m_windowManager.setProcessEnvironment(m_environment);
        m_windowManager.start("openbox", {});
        QVERIFY(m_windowManager.waitForStarted());
        // On a busy machine this can take long; say what openbox and Xvfb reported.
        QTRY_VERIFY2_WITH_TIMEOUT(
            wmctrl({"-m"}).contains("Openbox"),
            qPrintable(m_windowManager.readAllStandardError() + m_server.readAllStandardError()),
            60000);
    }

    void cleanupTestCase() {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    void placementSurvivesStartsAndCloses_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("cycles");
        QTest::newRow("normal window, five starts") << "0,1500,1500,12000,9000," << 5;
        QTest::newRow("maximised window keeps its normal bounds") << "2,1500,1500,12000,9000," << 2;
    }

    void placementSurvivesStartsAndCloses() {
        QFETCH(QString, stored);
        QFETCH(int, cycles);
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        const QString settings = dir.filePath("vendrel.ini");
        QVERIFY(clsProfileFile::Write(settings, "Position", "Track", stored));
        QProcessEnvironment environment = m_environment;
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("STATION_HOME", dir.path());
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            QProcess station;
            const auto stop = qScopeGuard([&] { station.kill(), station.waitForFinished(); });
            station.setProcessEnvironment(environment);
            station.start(STATION_BUILD_DIR "/station/station", {});
            QVERIFY(station.waitForStarted());
            // The main window and the splash over it, then the main window alone, which is
            // closed as an operator would close it.
            QTRY_COMPARE_WITH_TIMEOUT(windowsOf(station.processId()).size(), 2, 30000);
            QTRY_COMPARE_WITH_TIMEOUT(windowsOf(station.processId()).size(), 1, 30000);
            wmctrl({"-i", "-c", windowsOf(station.processId()).value(0)});
            QVERIFY(station.waitForFinished(30000));
            QCOMPARE(station.exitCode(), 0);
            QCOMPARE(clsProfileFile::Read(settings, "Position", "Track"), stored);
        }
    }

    // Without a stored placement the window opens wide enough for every column of the
    // list (12200 twips) beside the control column.
    void firstStartShowsTheWholeList() {
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        QProcess station;
        const auto stop = qScopeGuard([&] { station.kill(), station.waitForFinished(); });
        const QString window = startStation(station, dir.path());
        QVERIFY(!window.isEmpty());
        wmctrl({"-i", "-c", window});
        QVERIFY(station.waitForFinished(30000));
        const QStringList stored =
            clsProfileFile::Read(dir.filePath("vendrel.ini"), "Position", "Track").split(',');
        QVERIFY2(stored.value(3).toDouble() >= 12200 + 4155, qPrintable(stored.join(',')));
    }

    // A second start from the same program folder shows nothing of its own and ends; the
    // running station's window, minimised, comes back to the front.
    void secondStartBringsTheFirstToTheFront() {
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        QProcess first;
        const auto stop = qScopeGuard([&] { first.kill(), first.waitForFinished(); });
        const QString window = startStation(first, dir.path());
        QVERIFY(!window.isEmpty());
        wmctrl({"-i", "-r", window, "-b", "add,hidden"});
        QTRY_COMPARE_WITH_TIMEOUT(mapState(window), "IsUnMapped", 10000);
        QProcess second;
        second.setProcessEnvironment(first.processEnvironment());
        second.start(STATION_BUILD_DIR "/station/station", {});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAll(), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(mapState(window), "IsViewable", 10000);
        QCOMPARE(first.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(tst_PlacementCycles)
#include "tst_PlacementCycles.moc"
