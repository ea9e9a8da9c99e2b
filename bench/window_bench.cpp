// Timings of the main window, run by hand (offscreen, or under xvfb-run for "live"):
//   window_bench rows [runs]   200,000 moving fixes through the live path (history log off)
//                              into the track and the list, each row selected and scrolled
//                              into view and the event loop run after each: time and
//                              resident memory per row (median of runs, each in a fresh
//                              process; default 5)
//   window_bench live [runs] [seconds]
//                              the live window receiving the demo drive at 50 fixes a second
//                              from the receiver simulator: CPU of the station's process and
//                              the list's repaints per second (median of runs; default 3 of
//                              30 s)
//   window_bench fetch [runs]  a day of 1 Hz track (86,400 records) fetched through the window
//                              from a history log that also holds the days before and after
//                              it, rows included: time from the click on
//                              the fetch button to the end of the fetch, and how soon the
//                              window takes a click on the list, clicked every 10 ms all
//                              through the fetch (median of runs, each in a fresh process;
//                              default 5); the same fetch again without the clicks
//   window_bench startup [MiB] process start to main window shown (median of 7 starts), and
//                              the resident memory of the real program idling after its
//                              start; with MiB, the settings file holds the station's keys
//                              followed by about that many MiB of another program's section
// All run in a temporary program folder made from the source tree's data.

#include "BenchChildren.h"
#include "BenchFigures.h"
#include "BenchSentences.h"
#include "poi/clsDBLib.h"
#include "shell/IPlatform.h"
#include "station/StationTestSupport.h"
#include "station/frmTrack.h"
#include "tracking/clsHistoryLog.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QDirIterator>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

// The station's keys and then a section of another program of about mebibytes MiB, with no
// "[Ports]" section, so that every port lookup reads to the end of the file.
bool WriteSettings(const QString& dir, int mebibytes) {
    QFile file(QDir(dir).filePath(QStringLiteral("vendrel.ini")));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("[Settings]\r\nCommPort=1\r\nSetting=1\r\n[Position]\r\n"
               "Track=0,1500,1500,9600,7200,\r\n[Recent]\r\n");
    const qint64 size = qint64(mebibytes) << 20;
    for (int i = 0; file.size() < size; ++i) {
        file.write(
            QStringLiteral("File%1=C:\\Exports\\Track %1 of the day.txt\r\n").arg(i).toUtf8());
    }
    return file.error() == QFile::NoError;
}

// A program folder made from the source tree's data, with a settings file of settingsMiB
// (none for 0).
bool MakeProgramFolder(const QString& dir, int settingsMiB) {
    return MakeProgramFolder(dir) && (settingsMiB == 0 || WriteSettings(dir, settingsMiB));
}

constexpr int RowCount = 200000;

// A clock that moves on by one second at every reading, as a 1 Hz receiver's fixes are
// stamped. It keeps universal time: a local time would consult the time zone files at
// every step, which the station's own clock does once a second.
clsTrackRecorder::Clock SecondsFrom(const QDateTime& start) {
    return [next = start]() mutable {
        const QDateTime now = next;
        next = next.addSecs(1);
        return now;
    };
}

// One run: prints "result <wall-clock microseconds per row> <processor microseconds per
// row> <resident bytes per row> <rows>".
int RowsChild() {
    StationWindow station;
    station.Clock = SecondsFrom(QDateTime(QDate(2009, 2, 18), QTime(0, 0), Qt::UTC));
    if (!station.Start()) {
        return 1;
    }
    frmTrack& window = *station.Window;
    window.Recorder().SetHistoryEnabled(false);
    QStringList sentences;
    sentences.reserve(RowCount);
    for (int i = 0; i < RowCount; ++i) {
        sentences.append(MovingSentence(i + 1));
    }
    QCoreApplication::processEvents();
    const long before = StatusKilobytes(QCoreApplication::applicationPid(), "VmRSS:");
    const double cpuBefore = ProcessorSeconds();
    QElapsedTimer clock;
    clock.start();
    // Each fix comes in a receive event of its own, and the event loop runs between them.
    for (const QString& sentence : sentences) {
        window.ProcessSentence(sentence, QDateTime::currentDateTime());
        QCoreApplication::processEvents();
    }
    const double micros = clock.nsecsElapsed() / 1e3 / RowCount;
    const double cpuMicros = (ProcessorSeconds() - cpuBefore) * 1e6 / RowCount;
    const long after = StatusKilobytes(QCoreApplication::applicationPid(), "VmRSS:");
    const int rows = window.Rows().rowCount();
    std::printf("result %.3f %.3f %.1f %d\n", micros, cpuMicros,
                (after - before) * 1024.0 / RowCount, rows);
    return rows == RowCount ? 0 : 1;
}

int BenchRows(const QString& self, int runs) {
    const auto results = RunChildren(self, QStringLiteral("rows-child"), runs);
    if (results.empty()) {
        return 1;
    }
    for (std::size_t run = 0; run < results.size(); ++run) {
        std::printf("run %zu: %.2f us (processor %.2f us) and %.0f bytes per row\n", run + 1,
                    results[run][0], results[run][1], results[run][2]);
    }
    const double bytes = Median(Figure(results, 2));
    std::printf("%d fixes through the live path into track and list (history log off), each "
                "row selected and scrolled into view, median of %d runs:\n"
                "  %.2f us per row (processor time %.2f us), %.0f bytes of resident memory per "
                "row (a week at 1 Hz: %.0f MB)\n",
                RowCount, runs, Median(Figure(results, 0)), Median(Figure(results, 1)), bytes,
                bytes * 604800 / 1e6);
    return 0;
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

// One run: prints "result <percent of one core> <list paintings per second> <rows per second>".
int LiveChild(int seconds) {
    QProcess simulator;
    simulator.start(QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator"),
                    {QStringLiteral("--speed"), QStringLiteral("50"), QStringLiteral("--loop"),
                     QStringLiteral(STATION_SOURCE_DIR "/data/demo/demo-drive.nmea")});
    if (!simulator.waitForReadyRead(5000)) {
        return 1;
    }
    const QByteArray device = simulator.readLine().trimmed();
    StationWindow station;
    if (!station.Start("[Ports]\r\nCOM1=" + device + "\r\n[Settings]\r\nCommPort=1\r\n")) {
        return 1;
    }
    frmTrack& window = *station.Window;
    PaintCounter paints;
    window.findChild<QTableView*>(QStringLiteral("DateView"))
        ->viewport()
        ->installEventFilter(&paints);
    window.findChild<QPushButton*>(QStringLiteral("cmdQuery"))->click();
    QTest::qWait(3000); // the port is open and the list has filled its page
    const int rowsBefore = window.Rows().rowCount();
    paints.Count = 0;
    const double cpuBefore = ProcessorSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = ProcessorSeconds() - cpuBefore;
    const int rows = window.Rows().rowCount() - rowsBefore;
    std::printf("result %.1f %.1f %.1f\n", 100 * cpu / wall, paints.Count / wall, rows / wall);
    simulator.terminate();
    simulator.waitForFinished();
    return rows > 0 ? 0 : 1;
}

int BenchLive(const QString& self, int runs, int seconds) {
    const auto results =
        RunChildren(self, QStringLiteral("live-child"), runs, {QString::number(seconds)});
    if (results.empty()) {
        return 1;
    }
    for (std::size_t run = 0; run < results.size(); ++run) {
        std::printf("run %zu: %.1f%% of a core, %.1f list paintings/s, %.1f rows/s\n", run + 1,
                    results[run][0], results[run][1], results[run][2]);
    }
    std::printf("live window at 50 fixes/s (%s), median of %d runs of %d s:\n"
                "  %.1f%% of one core, %.1f list paintings per second, %.1f rows per second\n",
                qPrintable(QGuiApplication::platformName()), runs, seconds,
                Median(Figure(results, 0)), Median(Figure(results, 1)), Median(Figure(results, 2)));
    return 0;
}

// Clicks on a widget from another thread at a steady pace, as an operator would click while
// the window is busy, and measures how long each click waits until the window takes it.
class ClickProbe : public QObject {
public:
    ClickProbe(QWidget* target, int intervalMs) : m_target(target), m_interval(intervalMs) {
        m_target->installEventFilter(this);
        m_clock.start();
    }
    ~ClickProbe() override { Stop(); }
    void Start() {
        const QPointingDevice* mouse = QPointingDevice::primaryPointingDevice();
        m_thread = std::thread([this, mouse] {
            while (!m_stop) {
                const QPointF at(20, 8);
                {
                    const std::lock_guard<std::mutex> hold(m_lock);
                    m_posted.push_back(m_clock.nsecsElapsed());
                }
                QCoreApplication::postEvent(m_target, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                                      at, at, Qt::LeftButton,
                                                                      Qt::LeftButton, {}, mouse));
                QCoreApplication::postEvent(m_target, new QMouseEvent(QEvent::MouseButtonRelease,
                                                                      at, at, at, Qt::LeftButton,
                                                                      Qt::NoButton, {}, mouse));
                std::this_thread::sleep_for(std::chrono::milliseconds(m_interval));
            }
        });
    }
    void Stop() {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
        }
    }
    std::vector<double> Waits; // milliseconds, one per click taken

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const std::lock_guard<std::mutex> hold(m_lock);
            if (!m_posted.empty()) {
                Waits.push_back((m_clock.nsecsElapsed() - m_posted.front()) / 1e6);
                m_posted.pop_front();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_target;
    int m_interval;
    QElapsedTimer m_clock;
    std::mutex m_lock;
    std::deque<qint64> m_posted;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

constexpr int DayRecords = 86400;

// One run: prints "result <fetch ms> <median click wait ms> <longest click wait ms> <clicks>
// <rows>".
int FetchChild(bool clicking) {
    StationWindow station;
    if (!station.Start()) {
        return 1;
    }
    // The day between the days before and after it in the month's log, in the station's
    // record format; one write, as the writer's flush per record would take minutes.
    QByteArray log;
    for (int day = 17; day <= 19; ++day) {
        for (int i = 0; i < DayRecords; ++i) {
            PositionFix fix;
            fix.FixTime = QDateTime(QDate(2009, 2, day), QTime(0, 0).addSecs(i))
                              .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
            fix.NorthSouth = QStringLiteral("N");
            fix.Latitude = 25.02 + i * 1e-5;
            fix.EastWest = QStringLiteral("E");
            fix.Longitude = 121.5 + i * 1e-5;
            fix.Speed = float(i % 600) / 10;
            fix.Direction = float(i % 360);
            fix.Status = QLatin1String(i % 50 == 0 ? "V" : "A");
            log += clsHistoryLog::RecordText(fix);
        }
    }
    if (!WriteFile(clsHistoryLog::PathForMonth(station.Dir.path(), QDate(2009, 2, 1)), log)) {
        return 1;
    }
    frmTrack* window = station.Window.get();
    window->findChild<QDateTimeEdit*>(QStringLiteral("dtpFromTime"))->setDate(QDate(2009, 2, 18));
    auto* list = window->findChild<QTableView*>(QStringLiteral("DateView"));
    ClickProbe probe(list->viewport(), 10);
    auto* fetch = window->findChild<QPushButton*>(QStringLiteral("cmdGET"));
    QCoreApplication::processEvents();
    if (clicking) {
        probe.Start();
    }
    QElapsedTimer clock;
    clock.start();
    fetch->click();
    const double fetched = clock.nsecsElapsed() / 1e6;
    probe.Stop();
    QCoreApplication::processEvents();
    std::vector<double> waits = probe.Waits;
    const int rows = window->Rows().rowCount();
    const bool total = window->findChild<QLabel*>(QStringLiteral("Panel2"))->text() ==
                       QStringLiteral("Total:%1").arg(DayRecords);
    std::printf("result %.1f %.1f %.1f %zu %d\n", fetched, waits.empty() ? 0 : Median(waits),
                waits.empty() ? 0 : *std::max_element(waits.begin(), waits.end()), waits.size(),
                rows);
    return rows == DayRecords && total ? 0 : 1;
}

int BenchFetch(const QString& self, int runs) {
    for (const bool clicking : {true, false}) {
        const auto results =
            RunChildren(self, QStringLiteral("fetch-child"), runs, {QString::number(clicking)});
        if (results.empty()) {
            return 1;
        }
        for (std::size_t run = 0; run < results.size(); ++run) {
            std::printf("run %zu: fetch %.0f ms", run + 1, results[run][0]);
            if (clicking) {
                std::printf(", %.0f clicks taken after %.1f ms (median), %.1f ms at most",
                            results[run][3], results[run][1], results[run][2]);
            }
            std::printf("\n");
        }
        std::printf("%d records of a day fetched through the window, rows included, %s, median "
                    "of %d runs:\n  %.0f ms",
                    DayRecords, clicking ? "clicked on every 10 ms" : "without clicks", runs,
                    Median(Figure(results, 0)));
        if (clicking) {
            std::printf("; a click waited %.1f ms (median of the runs' medians), at most %.1f ms "
                        "(median of the runs' longest)",
                        Median(Figure(results, 1)), Median(Figure(results, 2)));
        }
        std::printf("\n");
    }
    return 0;
}

// The start-up of modMain without the splash over the program folder dir: ends as soon as
// the window is on screen.
int StartupChild(const QString& dir) {
    clsDBLib db;
    frmTrack window(dir, db);
    if (!window.Load() || (window.show(), !QTest::qWaitForWindowExposed(&window))) {
        return 1;
    }
    std::printf("shown\n");
    std::fflush(stdout);
    IPlatform::Current().EndProgram(0);
    return 0;
}

int BenchStartup(const QString& self, int settingsMiB) {
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QTemporaryDir dir;
        if (!MakeProgramFolder(dir.path(), settingsMiB)) {
            return 1;
        }
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(self, {QStringLiteral("startup-child"), dir.path()});
        while (child.state() != QProcess::NotRunning && !child.canReadLine()) {
            child.waitForReadyRead(50);
        }
        const double elapsed = clock.nsecsElapsed() / 1e6;
        if (child.readLine().trimmed() != "shown") {
            std::printf("the window did not show\n");
            return 1;
        }
        child.waitForFinished();
        times.push_back(elapsed);
        std::printf("start %d: %.0f ms\n", run + 1, elapsed);
    }
    std::printf("process start to window shown, settings file of %d MiB: median %.0f ms\n",
                settingsMiB, Median(times));

    // The real program, with its splash, idling for five seconds after its start.
    QTemporaryDir dir;
    if (!MakeProgramFolder(dir.path(), settingsMiB)) {
        return 1;
    }
    QProcess station;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("STATION_HOME"), dir.path());
    station.setProcessEnvironment(environment);
    station.start(QStringLiteral(STATION_BUILD_DIR "/station/station"), {});
    if (!station.waitForStarted()) {
        return 1;
    }
    QThread::sleep(5);
    std::printf("resident memory of the idle program 5 s after start: %ld kB\n",
                StatusKilobytes(station.processId(), "VmRSS:"));
    station.kill();
    station.waitForFinished();
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareBrowser();
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    const auto number = [&](int i, int fallback) {
        return std::max(1, arguments.value(i, QString::number(fallback)).toInt());
    };
    const QString self = QCoreApplication::applicationFilePath();
    if (mode == QLatin1String("rows")) {
        return BenchRows(self, number(2, 5));
    }
    if (mode == QLatin1String("rows-child")) {
        return RowsChild();
    }
    if (mode == QLatin1String("live")) {
        return BenchLive(self, number(2, 3), number(3, 30));
    }
    if (mode == QLatin1String("live-child")) {
        return LiveChild(number(2, 30));
    }
    if (mode == QLatin1String("fetch")) {
        return BenchFetch(self, number(2, 5));
    }
    if (mode == QLatin1String("fetch-child")) {
        return FetchChild(arguments.value(2) == QLatin1String("1"));
    }
    if (mode == QLatin1String("startup")) {
        return BenchStartup(self, arguments.value(2).toInt());
    }
    if (mode == QLatin1String("startup-child") && arguments.size() > 2) {
        return StartupChild(arguments.value(2));
    }
    std::printf("usage: window_bench rows [runs] | live [runs] [seconds] | fetch [runs] | "
                "startup [MiB]\n");
    return 2;
}
