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
//   window_bench startup [MiB] process start to main window shown (median of 7 starts), and
//                              the resident memory of the real program idling after its
//                              start; with MiB, the settings file holds the station's keys
//                              followed by about that many MiB of another program's section
// All run in a temporary program folder made from the source tree's data.

#include "BenchSentences.h"
#include "poi/clsDBLib.h"
#include "shell/IPlatform.h"
#include "tracking/frmTrack.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

bool makeProgramFolder(const QString& dir) {
    const QString data = QStringLiteral(STATION_SOURCE_DIR "/data");
    QDirIterator it(data, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = dir + source.mid(data.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}

// The station's keys and then a section of another program of about mebibytes MiB, with no
// "[Ports]" section, so that every port lookup reads to the end of the file.
bool writeSettings(const QString& dir, int mebibytes) {
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
bool makeProgramFolder(const QString& dir, int settingsMiB) {
    return makeProgramFolder(dir) && (settingsMiB == 0 || writeSettings(dir, settingsMiB));
}

// The main window over the program folder dir, loaded and shown as at start-up; null when
// that fails.
std::unique_ptr<frmTrack> showWindow(const QString& dir, clsDBLib& db) {
    auto window = std::make_unique<frmTrack>(dir, db);
    if (!window->Load()) {
        return nullptr;
    }
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

constexpr int RowCount = 200000;

// Fix i of a drive that moves every second; every 50th fix is a receiver warning.
QString movingSentence(long long i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02lld%02lld%02lld.00", i / 3600 % 24, i / 60 % 60, i % 60);
    char motion[32];
    std::snprintf(motion, sizeof motion, "%lld.%lld,%lld.%lld", i % 600 / 10, i % 10, i % 3600 / 10,
                  i % 10);
    const QByteArray line =
        WithChecksum("GPRMC," + QByteArray(time) + (i % 50 == 0 ? ",V," : ",A,") +
                     Angle(25LL * 600000 + 21234 + i * 7, 2) + ",N," +
                     Angle(121LL * 600000 + 345678 + i * 11, 3) + ",E," + motion + ",180209,,,A");
    return QString::fromLatin1(line.chopped(2)); // the framer hands it on without CR LF
}

// A clock that moves on by one second at every reading, as a 1 Hz receiver's fixes are
// stamped. It keeps universal time: a local time would consult the time zone files at
// every step, which the station's own clock does once a second.
clsTrackRecorder::Clock secondsFrom(const QDateTime& start) {
    return [next = start]() mutable {
        const QDateTime now = next;
        next = next.addSecs(1);
        return now;
    };
}

// Runs the children of mode one after another and returns their result lines.
std::vector<QList<double>> runChildren(const QString& self, const QString& mode, int runs,
                                       const QStringList& arguments = {}) {
    std::vector<QList<double>> results;
    for (int run = 1; run <= runs; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(self, QStringList{mode} + arguments);
        child.waitForFinished(-1);
        const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || words.first() != "result") {
            std::printf("run %d failed\n", run);
            return {};
        }
        QList<double> values;
        for (qsizetype i = 1; i < words.size(); ++i) {
            values.append(words[i].toDouble());
        }
        results.push_back(values);
    }
    return results;
}

// Figure k of every run.
std::vector<double> figure(const std::vector<QList<double>>& results, int k) {
    std::vector<double> values;
    for (const QList<double>& run : results) {
        values.push_back(run[k]);
    }
    return values;
}

long residentKilobytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// Processor time of the whole process, all threads.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One run: prints "result <wall-clock microseconds per row> <processor microseconds per
// row> <resident bytes per row> <rows>".
int rowsChild() {
    QTemporaryDir dir;
    clsDBLib db;
    if (!makeProgramFolder(dir.path())) {
        return 1;
    }
    frmTrack window(dir.path(), db, nullptr,
                    secondsFrom(QDateTime(QDate(2009, 2, 18), QTime(0, 0), Qt::UTC)));
    if (!window.Load()) {
        return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    window.Recorder().SetHistoryEnabled(false);
    QStringList sentences;
    sentences.reserve(RowCount);
    for (int i = 0; i < RowCount; ++i) {
        sentences.append(movingSentence(i + 1));
    }
    QCoreApplication::processEvents();
    const long before = residentKilobytes(QCoreApplication::applicationPid());
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    // Each fix comes in a receive event of its own, and the event loop runs between them.
    for (const QString& sentence : sentences) {
        window.ProcessSentence(sentence);
        QCoreApplication::processEvents();
    }
    const double micros = clock.nsecsElapsed() / 1e3 / RowCount;
    const double cpuMicros = (cpuSeconds() - cpuBefore) * 1e6 / RowCount;
    const long after = residentKilobytes(QCoreApplication::applicationPid());
    const int rows = window.Rows().rowCount();
    std::printf("result %.3f %.3f %.1f %d\n", micros, cpuMicros,
                (after - before) * 1024.0 / RowCount, rows);
    return rows == RowCount ? 0 : 1;
}

int benchRows(const QString& self, int runs) {
    const auto results = runChildren(self, QStringLiteral("rows-child"), runs);
    if (results.empty()) {
        return 1;
    }
    for (std::size_t run = 0; run < results.size(); ++run) {
        std::printf("run %zu: %.2f us (processor %.2f us) and %.0f bytes per row\n", run + 1,
                    results[run][0], results[run][1], results[run][2]);
    }
    const double bytes = median(figure(results, 2));
    std::printf("%d fixes through the live path into track and list (history log off), each "
                "row selected and scrolled into view, median of %d runs:\n"
                "  %.2f us per row (processor time %.2f us), %.0f bytes of resident memory per "
                "row (a week at 1 Hz: %.0f MB)\n",
                RowCount, runs, median(figure(results, 0)), median(figure(results, 1)), bytes,
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
int liveChild(int seconds) {
    QTemporaryDir dir;
    if (!makeProgramFolder(dir.path())) {
        return 1;
    }
    QProcess simulator;
    simulator.start(QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator"),
                    {QStringLiteral("--speed"), QStringLiteral("50"), QStringLiteral("--loop"),
                     dir.filePath(QStringLiteral("demo/demo-drive.nmea"))});
    if (!simulator.waitForReadyRead(5000)) {
        return 1;
    }
    const QByteArray device = simulator.readLine().trimmed();
    QFile settings(dir.filePath(QStringLiteral("vendrel.ini")));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write("[Ports]\r\nCOM1=" + device + "\r\n[Settings]\r\nCommPort=1\r\n") < 0) {
        return 1;
    }
    settings.close();
    clsDBLib db;
    frmTrack window(dir.path(), db);
    if (!window.Load()) {
        return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    PaintCounter paints;
    window.findChild<QTableView*>(QStringLiteral("DateView"))
        ->viewport()
        ->installEventFilter(&paints);
    window.findChild<QPushButton*>(QStringLiteral("cmdQuery"))->click();
    QTest::qWait(3000); // the port is open and the list has filled its page
    const int rowsBefore = window.Rows().rowCount();
    paints.Count = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const int rows = window.Rows().rowCount() - rowsBefore;
    std::printf("result %.1f %.1f %.1f\n", 100 * cpu / wall, paints.Count / wall, rows / wall);
    simulator.terminate();
    simulator.waitForFinished();
    return rows > 0 ? 0 : 1;
}

int benchLive(const QString& self, int runs, int seconds) {
    const auto results =
        runChildren(self, QStringLiteral("live-child"), runs, {QString::number(seconds)});
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
                median(figure(results, 0)), median(figure(results, 1)), median(figure(results, 2)));
    return 0;
}

// The start-up of modMain without the splash over the program folder dir: ends as soon as
// the window is on screen.
int startupChild(const QString& dir) {
    clsDBLib db;
    const std::unique_ptr<frmTrack> window = showWindow(dir, db);
    if (!window) {
        return 1;
    }
    std::printf("shown\n");
    std::fflush(stdout);
    IPlatform::Current().EndProgram(0);
    return 0;
}

int benchStartup(const QString& self, int settingsMiB) {
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QTemporaryDir dir;
        if (!makeProgramFolder(dir.path(), settingsMiB)) {
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
                settingsMiB, median(times));

    // The real program, with its splash, idling for five seconds after its start.
    QTemporaryDir dir;
    if (!makeProgramFolder(dir.path(), settingsMiB)) {
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
                residentKilobytes(station.processId()));
    station.kill();
    station.waitForFinished();
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    const auto number = [&](int i, int fallback) {
        return std::max(1, arguments.value(i, QString::number(fallback)).toInt());
    };
    const QString self = QCoreApplication::applicationFilePath();
    if (mode == QLatin1String("rows")) {
        return benchRows(self, number(2, 5));
    }
    if (mode == QLatin1String("rows-child")) {
        return rowsChild();
    }
    if (mode == QLatin1String("live")) {
        return benchLive(self, number(2, 3), number(3, 30));
    }
    if (mode == QLatin1String("live-child")) {
        return liveChild(number(2, 30));
    }
    if (mode == QLatin1String("startup")) {
        return benchStartup(self, arguments.value(2).toInt());
    }
    if (mode == QLatin1String("startup-child") && arguments.size() > 2) {
        return startupChild(arguments.value(2));
    }
    std::printf("usage: window_bench rows [runs] | live [runs] [seconds] | startup [MiB]\n");
    return 2;
}
