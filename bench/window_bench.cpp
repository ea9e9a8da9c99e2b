// Timings of the main window, run by hand:
//   window_bench rows           adding 100,000 rows to the position list (median of 3 runs)
//   window_bench startup [MiB]  process start to main window shown (median of 7 starts), and
//                               the resident memory of the real program idling after its
//                               start; with MiB, the settings file holds the station's keys
//                               followed by about that many MiB of another program's section
// Both run offscreen in a temporary program folder made from the source tree's data.

#include "poi/clsDBLib.h"
#include "shell/IPlatform.h"
#include "tracking/FixRow.h"
#include "tracking/frmTrack.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int RowCount = 100000;

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

// One fix per second along a straight road.
PositionFix fixAt(int i) {
    PositionFix fix;
    fix.FixTime = QStringLiteral("2009/02/18 13:%1:%2")
                      .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(i % 60, 2, 10, QLatin1Char('0'));
    fix.NorthSouth = QStringLiteral("N");
    fix.Latitude = 25.0 + i * 1e-5;
    fix.EastWest = QStringLiteral("E");
    fix.Longitude = 121.5 + i * 1e-5;
    fix.Speed = float(i % 90);
    fix.Direction = float(i % 360);
    fix.Status = QStringLiteral("A");
    return fix;
}

int benchRows() {
    std::vector<FixRow> rows;
    rows.reserve(RowCount);
    for (int i = 0; i < RowCount; ++i) {
        rows.push_back(FixRow::FromFix(i, fixAt(i), QStringLiteral(" kn")));
    }
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir dir;
        clsDBLib db;
        const std::unique_ptr<frmTrack> window =
            makeProgramFolder(dir.path()) ? showWindow(dir.path(), db) : nullptr;
        if (!window) {
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        for (const FixRow& row : rows) {
            window->AddFixRow(row);
        }
        QCoreApplication::processEvents(); // the list repaints once with the last row in view
        times.push_back(clock.nsecsElapsed() / 1e6);
        std::printf("run %d: %d rows in %.0f ms\n", run + 1, window->Rows().rowCount(),
                    times.back());
    }
    std::printf("adding %d rows (each selected and scrolled into view): median %.0f ms, "
                "%.1f us per row\n",
                RowCount, median(times), median(times) * 1000 / RowCount);

    // The list's rows alone, without a view: what the view's own work is measured against.
    clsDateViewModel model;
    QElapsedTimer clock;
    clock.start();
    for (const FixRow& row : rows) {
        model.AddRow(row.Key, row.Text, row.SubItems);
    }
    std::printf("the same rows into the list model alone: %.0f ms\n", clock.nsecsElapsed() / 1e6);
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

int benchStartup(const QString& self, int settingsMiB) {
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QTemporaryDir dir;
        if (!makeProgramFolder(dir.path()) ||
            (settingsMiB > 0 && !writeSettings(dir.path(), settingsMiB))) {
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
    if (!makeProgramFolder(dir.path()) ||
        (settingsMiB > 0 && !writeSettings(dir.path(), settingsMiB))) {
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
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("rows")) {
        return benchRows();
    }
    if (mode == QLatin1String("startup")) {
        return benchStartup(QCoreApplication::applicationFilePath(),
                            argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0);
    }
    if (mode == QLatin1String("startup-child") && argc > 2) {
        return startupChild(QString::fromLocal8Bit(argv[2]));
    }
    std::printf("usage: window_bench rows|startup [MiB]   (with QT_QPA_PLATFORM=offscreen)\n");
    return 2;
}
