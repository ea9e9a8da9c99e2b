// Timings of the map, run by hand (figures are medians of the runs):
//   map_bench live    a sentence written into a pseudo-terminal until its vehicle marker is
//                     in the page's state, 200 sentences (after 20 to warm up)
//   map_bench gpsd    the same with gpsd between: the pseudo-terminal is gpsd's device and
//                     the station receives what gpsd relays (gpsd://)
//   map_bench track   drawing a day of 1 Hz track (86,400 positions) from the call to the
//                     page's report, a day the page has not read and the same day again
//                     after a live drawing; a moved selection; pan and zoom; renderer
//                     memory over 60 drawings of the day
//   map_bench write   writing a day's marker file and page alone, and the track's lines made
//                     in one buffer against fix by fix
//   map_bench cpu [N] live tracking at N (10) fixes a second from the receiver simulator with
//                     the map shown: processor time of the station and its browser processes
//                     (run it on a display, e.g. under Xvfb: QT_QPA_PLATFORM=xcb)
//   map_bench playback [N]
//                     an hour of 1 Hz track (3,600 records) fetched through the main window
//                     from its history log and played back with the whole track drawn, the
//                     slider at 1 and step 1, over the last N (60) steps: whether the page
//                     reported each step's drawing before the next step began, and how long
//                     the drawings took
// Each runs in a temporary program folder laid out like the program's.

#include "BenchFigures.h"
#include "map/MapPageSupport.h"
#include "map/MapTestSupport.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "map/clsMapView.h"
#include "map/clsMarkerText.h"
#include "shell/modPrivate.h"
#include "station/StationTestSupport.h"
#include "tracking/TestGpsd.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsTrackRecords.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

double Ms(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e6;
}

// Degrees as the decoder gives them, to 5 decimals.
double Decoded(double degrees) {
    return std::round(degrees * 1e5) / 1e5;
}

// ---- live ---------------------------------------------------------------------------

int BenchLive(bool throughGpsd) {
    TestPseudoTerminal receiver;
    TestGpsd gpsd;
    if (throughGpsd && !gpsd.Start(receiver.SlavePath())) {
        std::printf("gpsd did not start\n");
        return 1;
    }
    const QByteArray source =
        throughGpsd ? "gpsd://127.0.0.1:" + QByteArray::number(gpsd.Port())
                    : receiver.SlavePath().toLocal8Bit();
    StationWindow s;
    if (!s.Start("[Ports]\nCOM2=" + source + "\n[Settings]\nCommPort=2\n")) {
        return 1;
    }
    DrawnWatch watch(s.Window->MapView());
    QTest::mouseClick(s.Control("cmdQuery"), Qt::LeftButton);
    auto* view = s.Control<QWebEngineView>("WBMaps");
    std::vector<double> times;
    for (int i = 0; i < 220; ++i) {
        const double latitude = 25.03 + i * 1e-4, longitude = 121.56 + i * 1e-4;
        const QByteArray sentence = Sentence(latitude, longitude, i % 360, "120000");
        const bool warmingUp = throughGpsd && i < 20;
        QElapsedTimer clock;
        clock.start();
        receiver.Write(sentence);
        const bool seen = WaitUntil(
            [&] {
                const QVariantList at =
                    RunJs(view, "window.stationMap && stationMap.vehicle()").toList();
                return at.size() == 2 && std::fabs(at[0].toDouble() - latitude) < 1e-7 &&
                       std::fabs(at[1].toDouble() - longitude) < 1e-7;
            },
            warmingUp ? 3000 : 20000);
        if (!seen && warmingUp) {
            continue; // gpsd takes the first sentences to learn what the device is
        }
        if (!seen) {
            std::printf("sentence %d never reached the page\n", i);
            return 1;
        }
        if (i >= 20) {
            times.push_back(Ms(clock));
        }
        WaitUntil([] { return false; }, 30);
    }
    std::printf("sentence to its marker in the page, %zu sentences: median %.1f ms, "
                "95th percentile %.1f ms, most %.1f ms\n",
                times.size(), Median(times), Percentile(times, 0.95),
                *std::max_element(times.begin(), times.end()));
    return 0;
}

// ---- track --------------------------------------------------------------------------

struct TrackBench {
    QTemporaryDir Dir;
    QWebEngineView View;
    std::optional<clsMapView> Map;
    std::optional<DrawnWatch> Watch;
    clsMapTemplate Prepared;
    std::optional<clsMapDrawing> Drawing;
    clsTrackRecords Records;
    clsTrackRecords OtherDay; // the same day a little to the east: a track the page never read

    bool Start() {
        if (!MakeProgramFolder(Dir.path())) {
            return false;
        }
        // A day at one fix a second, wandering through a town.
        for (int i = 0; i < 86400; ++i) {
            const double a = i * 2 * M_PI / 86400;
            for (clsTrackRecords* day : {&Records, &OtherDay}) {
                day->Append(MakeFix(
                    QStringLiteral("2009/02/18 %1:%2:%3")
                        .arg(i / 3600, 2, 10, QLatin1Char('0'))
                        .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(i % 60, 2, 10, QLatin1Char('0')),
                    Decoded(25.03 + 0.03 * std::sin(3 * a) + 0.002 * std::sin(97 * a)), "N",
                    Decoded(121.55 + 0.04 * std::cos(2 * a) + (day == &OtherDay ? 0.001 : 0)), "E",
                    float(i % 80), float(i * 7 % 360)));
            }
        }
        Map.emplace(&View, Dir.path());
        View.resize(1000, 700);
        View.show();
        Watch.emplace(*Map);
        Prepared.Load(Dir.path());
        Drawing.emplace(Dir.path());
        return QTest::qWaitForWindowExposed(&View);
    }
    // From the call to the page's report; the track's own writing time in written.
    double DrawTrack(qsizetype selected, double* written = nullptr,
                     const clsTrackRecords* day = nullptr) {
        QElapsedTimer clock;
        clock.start();
        Drawing->WriteTrack(day ? *day : Records, selected, Prepared.MapTemplate(), 15);
        if (written) {
            *written = Ms(clock);
        }
        Map->Navigate(Drawing->PagePath(), Drawing->PageHint());
        Watch->WaitForNewest(60000);
        return Ms(clock);
    }
    double DrawCurrent() {
        QElapsedTimer clock;
        clock.start();
        Drawing->WriteCurrentPosition(Records.At(0), Prepared.MapTemplate(), 15);
        Map->Navigate(Drawing->PagePath());
        Watch->WaitForNewest(60000);
        return Ms(clock);
    }
    // Runs script in the page and gives the milliseconds it reports.
    double PageMs(const QString& script) {
        return RunJs(&View, QStringLiteral("(function () { var t = performance.now(); %1; "
                                           "return performance.now() - t; })()")
                                .arg(script))
            .toDouble();
    }
};

int BenchTrack() {
    TrackBench b;
    if (!b.Start()) {
        return 1;
    }
    std::printf("page load with the vehicle: %.0f ms\n", b.DrawCurrent());
    WaitUntil([] { return false; }, 2000); // the base layer's data comes after the first drawing

    std::vector<double> whole, written, moved, fresh, freshWritten;
    for (int run = 0; run < 6; ++run) {
        double w = 0;
        fresh.push_back(b.DrawTrack(43200, &w, run % 2 ? &b.Records : &b.OtherDay));
        freshWritten.push_back(w);
    }
    std::printf("a day the page has not read (86,400 positions): median %.0f ms (writing the "
                "files %.1f ms)\n",
                Median(fresh), Median(freshWritten));
    for (int run = 0; run < 5; ++run) {
        b.DrawCurrent();
        double w = 0;
        whole.push_back(b.DrawTrack(43200, &w));
        written.push_back(w);
    }
    const QJsonObject state = PageState(&b.View);
    std::printf("day of %d positions after a live drawing: median %.0f ms (writing the "
                "files %.1f ms); %d sprites drawn in view\n",
                state["track"].toInt(), Median(whole), Median(written),
                state["trackDrawn"].toInt());
    for (int run = 0; run < 10; ++run) {
        moved.push_back(b.DrawTrack(43201 + run));
    }
    std::printf("selection moved by one: median %.0f ms\n", Median(moved));

    std::vector<double> pans, zooms, layer;
    for (int run = 0; run < 10; ++run) {
        pans.push_back(b.PageMs(QStringLiteral("stationMap.map.panBy([%1, 0], {animate: false})")
                                    .arg(run % 2 ? -300 : 300)));
        zooms.push_back(b.PageMs(
            QStringLiteral("stationMap.map.setZoom(%1, {animate: false})").arg(run % 2 ? 15 : 13)));
        layer.push_back(b.PageMs("stationMap.track().redraw()"));
    }
    std::printf("pan by 300 px: median %.1f ms; zoom by two levels: median %.1f ms "
                "(track layer alone %.1f ms), not counting animation\n",
                Median(pans), Median(zooms), Median(layer));
    b.PageMs("stationMap.map.setZoom(11, {animate: false})");
    std::printf("track layer alone zoomed out to 11: %.1f ms\n",
                b.PageMs("stationMap.track().redraw()"));

    const qint64 renderer = b.View.page()->renderProcessPid();
    for (int run = 1; run <= 60; ++run) {
        b.DrawTrack(1000 + run * 997);
        if (run % 10 == 0) {
            std::printf("after %d drawings of the day: renderer resident %ld MiB (peak %ld MiB)\n",
                        run, StatusKilobytes(renderer, "VmRSS:") / 1024,
                        StatusKilobytes(renderer, "VmHWM:") / 1024);
        }
    }
    return 0;
}

// ---- write --------------------------------------------------------------------------

// The marker file and the page of a day: the whole writing, the track's lines alone, and
// the same lines made fix by fix (each fix's texts built, then its line appended).
int BenchWrite() {
    QTemporaryDir dir;
    TrackBench b;
    if (!MakeProgramFolder(dir.path())) {
        return 1;
    }
    for (int i = 0; i < 86400; ++i) {
        b.Records.Append(MakeFix(QTime(0, 0).addSecs(i).toString("2009/02/18 HH:mm:ss"),
                                 Decoded(25.03 + 0.03 * std::sin(i * 1e-4)), "N",
                                 Decoded(121.55 + 0.04 * std::cos(i * 1e-4)), "E", float(i % 80),
                                 float(i * 7 % 360)));
    }
    clsMapTemplate prepared;
    prepared.Load(dir.path());
    clsMapDrawing drawing(dir.path());
    const clsMarkerText text(dir.path());
    std::vector<double> files, lines, oneByOne;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer clock;
        clock.start();
        drawing.WriteTrack(b.Records, 43200, prepared.MapTemplate(), 15);
        files.push_back(Ms(clock));
        QByteArray out;
        clock.restart();
        text.AppendTrack(out, b.Records, 43200);
        lines.push_back(Ms(clock));
        QByteArray old;
        clock.restart();
        old.reserve(b.Records.Count() * 100);
        for (qsizetype i = 0; i < b.Records.Count(); ++i) {
            text.AppendVehicle(old, b.Records.At(i), QLatin1String(i == 43200 ? "C-Rv" : "POI"));
        }
        oneByOne.push_back(Ms(clock));
        if (old != out) {
            std::printf("the lines differ\n");
            return 1;
        }
    }
    std::printf("a day's marker file and page written: median %.1f ms; the track's lines in one "
                "buffer %.1f ms, fix by fix %.1f ms (%lld bytes)\n",
                Median(files), Median(lines), Median(oneByOne),
                (long long)QFileInfo(dir.filePath("carimage/markers.txt")).size());
    return 0;
}

// ---- cpu ----------------------------------------------------------------------------

// Processor time (ticks) of a process and every process beneath it, by process.
void TreeTicks(qint64 pid, std::map<qint64, std::pair<QString, long long>>& out) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray line = stat.readAll();
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    out[pid] = {QString::fromLocal8Bit(
                    line.mid(line.indexOf('(') + 1, line.lastIndexOf(')') - line.indexOf('(') - 1)),
                f[11].toLongLong() + f[12].toLongLong()};
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        bool number = false;
        const qint64 child = it.next().section('/', -1).toLongLong(&number);
        QFile childStat(QStringLiteral("/proc/%1/stat").arg(child));
        if (number && childStat.open(QIODevice::ReadOnly)) {
            const QByteArray text = childStat.readAll();
            if (text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong() == pid) {
                TreeTicks(child, out);
            }
        }
    }
}

// Processor time (ticks) of this process's threads, added up by thread name.
std::map<QString, long long> ThreadTicks() {
    std::map<QString, long long> ticks;
    QDirIterator it(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        QFile stat(it.next() + QStringLiteral("/stat"));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
            const QString name = QString::fromLocal8Bit(
                line.mid(line.indexOf('(') + 1, line.lastIndexOf(')') - line.indexOf('(') - 1));
            ticks[name] += f[11].toLongLong() + f[12].toLongLong();
        }
    }
    return ticks;
}

int BenchCpu(const QString& rate) {
    StationWindow station;
    const QString link = station.Dir.filePath("gps");
    QProcess simulator;
    simulator.start(QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator"),
                    {"--speed", rate, "--loop", "--link", link,
                     QStringLiteral(STATION_SOURCE_DIR "/data/demo/demo-drive.nmea")});
    if (!simulator.waitForStarted() || !QTest::qWaitFor([&] { return QFile::exists(link); }) ||
        !station.Start("[Ports]\nCOM1=" + link.toLocal8Bit() + "\n[Settings]\nCommPort=1\n")) {
        return 1;
    }
    frmTrack& window = *station.Window;
    QTest::mouseClick(window.findChild<QPushButton*>("cmdQuery"), Qt::LeftButton);
    WaitUntil([] { return false; }, 10000); // past the page load and the start of the drive

    constexpr int Seconds = 60;
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    std::map<qint64, std::pair<QString, long long>> before, after;
    TreeTicks(QCoreApplication::applicationPid(), before);
    const int rowsBefore = window.Rows().rowCount();
    const std::map<QString, long long> threadsBefore = ThreadTicks();
    WaitUntil([] { return false; }, Seconds * 1000);
    TreeTicks(QCoreApplication::applicationPid(), after);
    for (const auto& [name, ticks] : ThreadTicks()) {
        const double share = 100.0 *
                             (ticks - (threadsBefore.count(name) ? threadsBefore.at(name) : 0)) /
                             ticksPerSecond / Seconds;
        if (share >= 0.5) {
            std::printf("    thread %-24s %.1f%%\n", qPrintable(name), share);
        }
    }
    double total = 0;
    for (const auto& [pid, entry] : after) {
        const long long used = entry.second - (before.count(pid) ? before[pid].second : 0);
        const double share = 100.0 * used / ticksPerSecond / Seconds;
        total += share;
        std::printf("  %-20s pid %lld: %.1f%% of one core\n", qPrintable(entry.first),
                    (long long)pid, share);
    }
    std::printf("live tracking, %d fixes in %d s: the station's processes together %.1f%% of "
                "one core\n",
                window.Rows().rowCount() - rowsBefore, Seconds, total);
    simulator.terminate();
    simulator.waitForFinished();
    return 0;
}

// ---- playback -----------------------------------------------------------------------

int BenchPlayback(int steps) {
    constexpr int Records = 3600;
    StationWindow s;
    if (!s.Start()) {
        return 1;
    }
    // An hour at one fix a second, written in the station's record format.
    QByteArray log;
    for (int i = 0; i < Records; ++i) {
        const double a = i * 2 * M_PI / Records;
        log += clsHistoryLog::RecordText(
            MakeFix(QTime(10, 0).addSecs(i).toString(QStringLiteral("2009/02/18 HH:mm:ss")),
                    25.03 + 0.01 * std::sin(a), "N", 121.55 + 0.01 * std::cos(a), "E",
                    float(i % 60), float(i % 360)));
    }
    if (!QDir(s.Dir.path()).mkpath("export") ||
        !WriteFile(s.Dir.filePath("export/History-2009-02.log"), log)) {
        return 1;
    }
    clsMapView& map = s.Window->MapView();
    int drawn = 0;
    QObject::connect(&map, &clsMapView::Drawn,
                     [&](int request) { drawn = std::max(drawn, request); });
    s.Control<QDateTimeEdit>("dtpFromTime")->setDate(QDate(2009, 2, 18));
    QTest::mouseClick(s.Control("cmdGET"), Qt::LeftButton);
    if (s.Window->Rows().rowCount() != Records) {
        std::printf("the fetch listed %d rows\n", s.Window->Rows().rowCount());
        return 1;
    }
    QTest::mouseClick(s.Control("Check1"), Qt::LeftButton);
    WaitUntil([&] { return map.LastRequest() > 0 && drawn >= map.LastRequest(); }, 60000);
    s.Control<QSlider>("sldInterval")->setValue(1);
    s.Control<QLineEdit>("txtInterval")->setText("1");
    auto* list = s.Control<QTableView>("DateView");
    list->selectRow(Records - 1 - steps);

    // A step begins by selecting its row; the drawings of the step before were asked for by
    // then, and the newest request at that moment is the last of them.
    struct Step {
        double Start;
        int LastRequest = 0; // of the step, known when the next one begins
        double Reported = -1;
    };
    std::vector<Step> played;
    std::vector<std::pair<double, int>> reports;
    QElapsedTimer clock;
    QObject::connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, [&] {
        if (!played.empty()) {
            played.back().LastRequest = map.LastRequest();
        }
        played.push_back({Ms(clock)});
    });
    QObject::connect(&map, &clsMapView::Drawn,
                     [&](int request) { reports.emplace_back(Ms(clock), request); });
    clock.start();
    QTest::mouseClick(s.Control("cmdPlay"), Qt::LeftButton);
    const double ended = Ms(clock);
    if (played.empty()) {
        return 1;
    }
    played.back().LastRequest = map.LastRequest();
    WaitUntil([&] { return drawn >= map.LastRequest(); }, 10000);
    int late = 0;
    std::vector<double> periods, toReport;
    for (std::size_t k = 0; k < played.size(); ++k) {
        for (const auto& [at, request] : reports) {
            if (request >= played[k].LastRequest && at >= played[k].Start) {
                played[k].Reported = at;
                break;
            }
        }
        const double next = k + 1 < played.size() ? played[k + 1].Start : ended;
        late += played[k].Reported < 0 || played[k].Reported > next ? 1 : 0;
        if (k + 1 < played.size()) {
            periods.push_back(next - played[k].Start);
        }
        toReport.push_back(played[k].Reported - played[k].Start);
    }
    std::printf("playback of %zu steps over %d records with the whole track, slider 1, step 1:\n"
                "  %d steps whose last drawing the page had not reported when the next step "
                "began (or the playback ended)\n"
                "  step start to the report of its last drawing: median %.0f ms, longest %.0f "
                "ms; step period median %.0f ms, longest %.0f ms\n",
                played.size(), Records, late, Median(toReport),
                *std::max_element(toReport.begin(), toReport.end()),
                periods.empty() ? 0 : Median(periods),
                periods.empty() ? 0 : *std::max_element(periods.begin(), periods.end()));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareBrowser();
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("live") || mode == QLatin1String("gpsd")) {
        return BenchLive(mode == QLatin1String("gpsd"));
    }
    if (mode == QLatin1String("track")) {
        return BenchTrack();
    }
    if (mode == QLatin1String("write")) {
        return BenchWrite();
    }
    if (mode == QLatin1String("cpu")) {
        return BenchCpu(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("10"));
    }
    if (mode == QLatin1String("playback")) {
        return BenchPlayback(argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 60);
    }
    std::printf("usage: map_bench live | gpsd | track | write | cpu [fixes a second] | playback "
                "[steps]\n");
    return 2;
}
