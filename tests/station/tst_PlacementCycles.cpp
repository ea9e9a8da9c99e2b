// The real program started and closed again and again under a real window manager on a
// display of its own: the stored placement must come back as it was stored, the first start
// shows the whole list, and a second start brings the running one to the front.

#include "shell/clsProfileFile.h"
#include "station/StationTestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

class tst_PlacementCycles : public QObject {
    Q_OBJECT

    QProcess m_server;
    QProcess m_windowManager;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

    // What wmctrl wrote to channel on the test's display; "" when it wrote nothing there.
    QString wmctrl(const QStringList& arguments,
                   QProcess::ProcessChannel channel = QProcess::StandardOutput) {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start("wmctrl", arguments);
        tool.waitForFinished(5000);
        tool.setReadChannel(channel);
        return QString::fromLocal8Bit(tool.readAll());
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

    // The station started on the test's display from the program folder dir; its main
    // window's id once it is up alone after the splash, "" when it did not come (the
    // windows the display had then are in failure).
    QString startStation(QProcess& station, const QString& dir, QString& failure) {
        QProcessEnvironment environment = m_environment;
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("STATION_HOME", dir);
        station.setProcessEnvironment(environment);
        station.start(STATION_BUILD_DIR "/station/station", {});
        if (!station.waitForStarted()) {
            failure = station.errorString();
            return {};
        }
        QString window = mainWindowAfterSplash(station.processId());
        if (window.isEmpty()) {
            failure = QString("no main window alone; the display's windows:\n%1\nthe station:\n%2")
                          .arg(wmctrl({"-l", "-p"}),
                               QString::fromLocal8Bit(station.readAllStandardError().right(2000)));
        }
        return window;
    }

    // The id of the process's main window once it is alone after the splash over it, ""
    // when it did not come. A busy window manager may list the splash, which lives two
    // seconds, too late to be seen: the main window alone for ten seconds counts then.
    QString mainWindowAfterSplash(qint64 pid) {
        bool splashSeen = false;
        QElapsedTimer alone;
        QString window;
        const bool up = QTest::qWaitFor(
            [&] {
                const QStringList windows = windowsOf(pid);
                if (windows.size() == 1 && typeOf(windows[0]).endsWith("_NET_WM_WINDOW_TYPE_NORMAL")) {
                    window = windows[0];
                    if (!alone.isValid()) {
                        alone.start();
                    }
                    return splashSeen || alone.elapsed() > 10000;
                }
                splashSeen = splashSeen || windows.size() == 2;
                alone.invalidate();
                return false;
            },
            60000);
        return up ? window : QString();
    }

    // The window's _NET_WM_WINDOW_TYPE as xprop tells it.
    QString typeOf(const QString& id) {
        QProcess tool;
        tool.setProcessEnvironment(m_environment);
        tool.start("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"});
        tool.waitForFinished(5000);
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    // Closes the window as an operator would, again while the station is still there (a
    // close that came while the splash still ran is not taken): true once it ended.
    bool closeStation(QProcess& station, const QString& window) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            wmctrl({"-i", "-c", window});
            if (station.waitForFinished(10000)) {
                return true;
            }
        }
        return false;
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
        for (const char* tool : {"Xvfb", "openbox", "wmctrl", "xwininfo", "xprop"}) {
            QVERIFY2(
                !QStandardPaths::findExecutable(tool).isEmpty(),
                qPrintable(QString("%1 is not installed: scripts/setup installs it").arg(tool)));
        }
        // Xvfb chooses a free display and writes its number once it accepts clients.
        m_server.start("Xvfb",
                       {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QVERIFY(m_server.waitForStarted());
        // QTRY_ would wait twice as long again before failing; these waits stay bounded.
        QVERIFY2(QTest::qWaitFor([&] { return m_server.canReadLine(); }, 60000),
                 m_server.readAllStandardError().constData());
        m_environment.insert("DISPLAY", ':' + QString::fromLatin1(m_server.readLine().trimmed()));
        m_windowManager.setProcessEnvironment(m_environment);
        // On a busy machine openbox can take long to manage the display, and once in a full
        // suite it never did, with nothing on its error output: it is started a second time
        // before the test gives up, and what each try left is told.
        QString tries;
        const bool up = windowManagerUp(tries) || windowManagerUp(tries);
        QVERIFY2(up, qPrintable(tries));
    }

    // Starts openbox (again) and waits until it manages the display; what it left otherwise
    // is added to tries.
    bool windowManagerUp(QString& tries) {
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.kill();
            m_windowManager.waitForFinished();
        }
        m_windowManager.start("openbox", {"--replace"});
        if (m_windowManager.waitForStarted() &&
            QTest::qWaitFor([&] { return wmctrl({"-m"}).contains("Openbox"); }, 30000)) {
            return true;
        }
        tries += QString("openbox %1 (exit %2): %3; Xvfb %4: %5; wmctrl -m: %6\n")
                     .arg(m_windowManager.state() == QProcess::NotRunning ? "ended" : "runs")
                     .arg(m_windowManager.exitCode())
                     .arg(QString::fromLocal8Bit(m_windowManager.readAllStandardError()))
                     .arg(m_server.state() == QProcess::NotRunning ? "ended" : "runs")
                     .arg(QString::fromLocal8Bit(m_server.readAllStandardError()))
                     .arg(wmctrl({"-m"}, QProcess::StandardError));
        return false;
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
        QTest::newRow("normal window, five starts") << "0,1500,1500,12000,9600," << 5;
        QTest::newRow("maximised window keeps its normal bounds") << "2,1500,1500,12000,9600," << 2;
    }

    void placementSurvivesStartsAndCloses() {
        QFETCH(QString, stored);
        QFETCH(int, cycles);
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        const QString settings = dir.filePath("vendrel.ini");
        QVERIFY(clsProfileFile::Write(settings, "Position", "Track", stored));
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            QProcess station;
            const auto stop = qScopeGuard([&] { station.kill(), station.waitForFinished(); });
            QString failure;
            const QString window = startStation(station, dir.path(), failure);
            QVERIFY2(!window.isEmpty(), qPrintable(failure));
            QVERIFY(closeStation(station, window));
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
        QString failure;
        const QString window = startStation(station, dir.path(), failure);
        QVERIFY2(!window.isEmpty(), qPrintable(failure));
        QVERIFY(closeStation(station, window));
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
        QString failure;
        const QString window = startStation(first, dir.path(), failure);
        QVERIFY2(!window.isEmpty(), qPrintable(failure));
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
