// The main window under load, run by hand:
//   load_bench burst [runs] [sentences]
//                              a burst of moving sentences (default 20,000) written as fast
//                              as the station reads them into a pseudo-terminal that the
//                              live window has open as its receiver, with accessibility off
//                              and then on: rows per second over the first and the last
//                              2,000 and over the whole burst, and how late the window
//                              answers a ping posted every 10 ms (median of the runs, each
//                              in a fresh process; default 3). Accessibility needs a desktop
//                              bus with the AT-SPI bus on it and a window system, e.g.
//                                dbus-run-session -- xvfb-run -a load_bench burst
//   load_bench soak [speed] [hours]
//                              hours (default 24) of a 1 Hz moving drive from the receiver
//                              simulator, replayed speed times faster (default 100), into
//                              the live window with its history log: resident memory, open
//                              descriptors and threads at the start, after ten simulated
//                              minutes, every simulated hour and the end; the growth beyond
//                              the rows themselves from the start and from minute 10, and
//                              how many drawings the map lags behind at most
//   load_bench frames [steps]
//                              the browser engine alone, without the station: a bare page
//                              in a view of the map's size whose one small square changes
//                              its colour once a step (default 3,600), each step waited for
//                              until the page has drawn it; what the process holds after a
//                              third of the steps and at the end, and the growth per step
// The burst and the soak run in a temporary program folder made from the source tree's data.

#include "BenchChildren.h"
#include "BenchFigures.h"
#include "BenchSentences.h"
#include "map/clsMapView.h"
#include "station/StationTestSupport.h"
#include "station/frmTrack.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsSerialReceiver.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTemporaryFile>
#include <QTest>
#include <QWebEngineView>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int EdgeRows = 2000; // the stretch at each end of the burst whose rates are compared

// An event that carries the moment it was posted.
class PingEvent : public QEvent {
public:
    static inline const Type Kind = static_cast<Type>(registerEventType());
    explicit PingEvent(qint64 posted) : QEvent(Kind), Posted(posted) {}
    const qint64 Posted; // nanoseconds of the probe's clock
};

// Posts a ping to the window's thread from another thread at a steady pace and measures
// how long each waits until the window's event loop takes it.
class PingProbe : public QObject {
public:
    explicit PingProbe(int intervalMs) : m_interval(intervalMs) { m_clock.start(); }
    ~PingProbe() override { Stop(); }
    void Start() {
        m_thread = std::thread([this] {
            while (!m_stop) {
                QCoreApplication::postEvent(this, new PingEvent(m_clock.nsecsElapsed()));
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
    std::vector<double> Waits; // milliseconds, one per ping taken

protected:
    bool event(QEvent* event) override {
        if (event->type() != PingEvent::Kind) {
            return QObject::event(event);
        }
        Waits.push_back((m_clock.nsecsElapsed() - static_cast<PingEvent*>(event)->Posted) / 1e6);
        return true;
    }

private:
    int m_interval;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// Settings whose first port is device, chosen.
QByteArray PortSettings(const QByteArray& device) {
    return "[Ports]\r\nCOM1=" + device + "\r\n[Settings]\r\nCommPort=1\r\n";
}

// Starts reception on the window's chosen port and waits until the port is open.
bool StartReception(frmTrack& window) {
    window.findChild<QPushButton*>(QStringLiteral("cmdQuery"))->click();
    const auto* receiver = window.findChild<clsSerialReceiver*>();
    return receiver && QTest::qWaitFor([&] { return receiver->IsOpen(); }, 10000);
}

// When each row came, in seconds from a start, and the processor time used by then.
class RowTimes : public QObject {
public:
    RowTimes(const QAbstractItemModel& rows, int expected) {
        m_times.reserve(expected);
        m_processor.reserve(expected);
        connect(&rows, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    m_times.insert(m_times.end(), last - first + 1, m_clock.nsecsElapsed() / 1e9);
                    m_processor.insert(m_processor.end(), last - first + 1,
                                       ProcessorSeconds() - m_processorStart);
                });
        m_clock.start();
        m_processorStart = ProcessorSeconds();
    }
    // Rows per second from the end of row first - 1 (the start for 0) to the end of row last.
    double Rate(int first, int last) const { return (last - first + 1) / Span(m_times, first, last); }
    // Processor milliseconds a row over the same stretch.
    double ProcessorMs(int first, int last) const {
        return 1e3 * Span(m_processor, first, last) / (last - first + 1);
    }
    int Count() const { return static_cast<int>(m_times.size()); }

private:
    static double Span(const std::vector<double>& at, int first, int last) {
        return at[last] - (first == 0 ? 0 : at[first - 1]);
    }

    QElapsedTimer m_clock;
    double m_processorStart = 0;
    std::vector<double> m_times;
    std::vector<double> m_processor;
};

// The fixes of the track in the order of the sentences: each lies further north.
bool InSentenceOrder(const clsTrackRecords& track) {
    for (qsizetype i = 1; i < track.Count(); ++i) {
        if (!(track.At(i).Latitude > track.At(i - 1).Latitude)) {
            return false;
        }
    }
    return true;
}

// One run: prints "result <rate first> <rate last> <rate whole> <median ping ms> <slowest
// ping ms> <processor ms a row: first, last, whole> <rows>".
int BurstChild(bool accessible, int count) {
    TestPseudoTerminal receiver;
    StationWindow station;
    if (!station.Start(PortSettings(receiver.SlavePath().toLocal8Bit()))) {
        return 1;
    }
    // The desktop's accessibility bridge comes up with the event loop.
    if (QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000) != accessible) {
        std::fprintf(stderr, "accessibility is %s\n", accessible ? "off" : "on");
        return 1;
    }
    frmTrack& window = *station.Window;
    if (!StartReception(window)) {
        return 1;
    }
    QByteArray burst;
    for (int i = 1; i <= count; ++i) {
        burst += MovingSentence(i).toLatin1() + "\r\n";
    }
    PingProbe probe(10);
    RowTimes rows(window.Rows(), count);
    probe.Start();
    // A receiver writes as fast as its line lets it; the terminal's buffer is the line.
    std::thread writer([&] {
        for (qsizetype at = 0; at < burst.size(); at += 4096) {
            receiver.Write(burst.mid(at, 4096)); // a blocking write: it waits for the reader
        }
    });
    const bool all = QTest::qWaitFor([&] { return rows.Count() >= count; }, 1800 * 1000);
    probe.Stop();
    writer.join();
    if (!all || rows.Count() != count || !InSentenceOrder(window.Recorder().TrackRecords())) {
        std::fprintf(stderr, "%d rows of %d, or out of order\n", rows.Count(), count);
        return 1;
    }
    std::printf("result %.1f %.1f %.1f %.1f %.1f %.3f %.3f %.3f %d\n", rows.Rate(0, EdgeRows - 1),
                rows.Rate(count - EdgeRows, count - 1), rows.Rate(0, count - 1),
                Median(probe.Waits), *std::max_element(probe.Waits.begin(), probe.Waits.end()),
                rows.ProcessorMs(0, EdgeRows - 1), rows.ProcessorMs(count - EdgeRows, count - 1),
                rows.ProcessorMs(0, count - 1), rows.Count());
    return 0;
}

// The accessibility bus is started on demand, as a desktop session does at its start: the
// station only joins a bus that is already there.
bool StartAccessibilityBus() {
    QProcess call;
    call.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                QStringLiteral("org.a11y.Bus.GetAddress")});
    if (!call.waitForFinished(20000) || call.exitCode() != 0) {
        std::printf("no accessibility bus: run under dbus-run-session with at-spi2-core\n");
        return false;
    }
    return true;
}

int BenchBurst(const QString& self, int runs, int count) {
    for (const bool accessible : {false, true}) {
        if (accessible && !StartAccessibilityBus()) {
            return 1;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (accessible) {
            environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"),
                               QStringLiteral("1"));
        } else {
            environment.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
        }
        const auto results =
            RunChildren(self, QStringLiteral("burst-child"), runs,
                        {QString::number(accessible), QString::number(count)}, environment);
        if (results.empty()) {
            return 1;
        }
        for (std::size_t run = 0; run < results.size(); ++run) {
            std::printf("run %zu: %.0f, %.0f, %.0f rows/s; ping %.1f ms (median), %.1f ms at "
                        "most; %.2f, %.2f, %.2f ms of processor a row\n",
                        run + 1, results[run][0], results[run][1], results[run][2],
                        results[run][3], results[run][4], results[run][5], results[run][6],
                        results[run][7]);
        }
        std::printf("burst of %d sentences through a pseudo-terminal, accessibility %s (%s), "
                    "median of %d runs:\n"
                    "  %.0f rows/s over the first %d, %.0f over the last %d (%.0f%%), %.0f over "
                    "the whole; a ping waited %.1f ms (median), %.1f ms at most;\n"
                    "  processor time a row (all the station's threads) %.2f ms over the first, "
                    "%.2f over the last, %.2f over the whole\n",
                    count, accessible ? "on" : "off", qPrintable(QGuiApplication::platformName()),
                    runs, Median(Figure(results, 0)), EdgeRows, Median(Figure(results, 1)),
                    EdgeRows, 100 * Median(Figure(results, 1)) / Median(Figure(results, 0)),
                    Median(Figure(results, 2)), Median(Figure(results, 3)),
                    Median(Figure(results, 4)), Median(Figure(results, 5)),
                    Median(Figure(results, 6)), Median(Figure(results, 7)));
    }
    return 0;
}

// What the process holds: resident memory, open descriptors, threads; and the resident
// memory of the page processes of the browser views in window.
struct Holdings {
    long ResidentKb = 0;
    long Descriptors = 0;
    long Threads = 0;
    long PagesKb = 0;
};

long PagesKilobytes(const QWidget& window) {
    QList<QWebEngineView*> views = window.findChildren<QWebEngineView*>();
    if (auto* view = qobject_cast<QWebEngineView*>(const_cast<QWidget*>(&window))) {
        views.append(view);
    }
    long sum = 0;
    for (const QWebEngineView* view : views) {
        if (const qint64 renderer = view->page()->renderProcessPid(); renderer > 0) {
            sum += std::max(0L, StatusKilobytes(renderer, "VmRSS:"));
        }
    }
    return sum;
}

Holdings CurrentHoldings(const QWidget& window) {
    const qint64 pid = QCoreApplication::applicationPid();
    return {StatusKilobytes(pid, "VmRSS:"),
            static_cast<long>(QDir(QStringLiteral("/proc/self/fd"))
                                  .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                  .size()),
            StatusKilobytes(pid, "Threads:"), PagesKilobytes(window)};
}

void PrintHoldings(const char* when, const Holdings& holdings, int rows,
                   const char* counted = "rows") {
    std::printf("%-10s %7d %-5s %8ld kB resident  %4ld descriptors  %3ld threads  "
                "%8ld kB in page processes\n",
                when, rows, counted, holdings.ResidentKb, holdings.Descriptors, holdings.Threads,
                holdings.PagesKb);
    std::fflush(stdout);
}

// A capture of a 1 Hz drive that moves at every fix, for the receiver simulator.
bool WriteDrive(QTemporaryFile& file, int fixes) {
    if (!file.open()) {
        return false;
    }
    for (int i = 1; i <= fixes; ++i) {
        file.write(MovingSentence(i).toLatin1() + "\n");
    }
    file.close();
    return file.error() == QFile::NoError;
}

// The station's clock runs speed times faster than the wall clock from start, as the
// simulator's fixes come, so that the log's records carry the drive's own times.
clsTrackRecorder::Clock FastClock(const QDateTime& start, double speed) {
    return [start, speed, clock = std::make_shared<QElapsedTimer>()]() {
        if (!clock->isValid()) {
            clock->start();
        }
        return start.addMSecs(static_cast<qint64>(clock->elapsed() * speed));
    };
}

int BenchSoak(double speed, int hours) {
    const int fixes = hours * 3600;
    QTemporaryFile drive(QDir::temp().filePath(QStringLiteral("soak-XXXXXX.nmea")));
    if (!WriteDrive(drive, fixes)) {
        return 1;
    }
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QStringLiteral(STATION_BUILD_DIR "/station/gps-simulator"),
                    {QStringLiteral("--speed"), QString::number(speed), drive.fileName()});
    if (!simulator.waitForReadyRead(10000)) {
        return 1;
    }
    StationWindow station;
    station.Clock = FastClock(QDateTime(QDate(2009, 2, 18), QTime(0, 0), Qt::UTC), speed);
    if (!station.Start(PortSettings(simulator.readLine().trimmed()))) {
        return 1;
    }
    frmTrack& window = *station.Window;
    PrintHoldings("shown", CurrentHoldings(window), 0);
    if (!StartReception(window)) {
        return 1;
    }
    // How far the map lags behind the fixes: a page that cannot keep up must not queue them.
    int drawn = 0;
    int trailing = 0;
    QObject::connect(&window.MapView(), &clsMapView::Drawn, &window,
                     [&drawn](int request) { drawn = std::max(drawn, request); });
    QElapsedTimer wall;
    wall.start();
    std::vector<Holdings> hourly;
    // A drive that gives no fix for ten simulated minutes has stopped.
    const int stall = std::max(10000, static_cast<int>(600 * 1000 / speed));
    const auto reached = [&](int target) {
        for (int rows = window.Rows().rowCount(); rows < target; rows = window.Rows().rowCount()) {
            if (!QTest::qWaitFor([&] { return window.Rows().rowCount() > rows; }, stall)) {
                std::printf("the drive stopped at %d rows\n", rows);
                return false;
            }
        }
        return true;
    };
    // The start is the window tracking: port open, page loaded, its first minute drawn.
    if (!reached(60)) {
        return 1;
    }
    const Holdings start = CurrentHoldings(window);
    const int startRows = window.Rows().rowCount();
    PrintHoldings("start", start, startRows);
    // The browser builds up its working set (frame buffers shared with the page, code first
    // run) in the first seconds of drawing; growth after that is what a long run adds.
    if (!reached(600)) {
        return 1;
    }
    const Holdings settled = CurrentHoldings(window);
    const int settledRows = window.Rows().rowCount();
    PrintHoldings("minute 10", settled, settledRows);
    for (int hour = 1; hour <= hours; ++hour) {
        if (!reached(hour * 3600)) {
            return 1;
        }
        hourly.push_back(CurrentHoldings(window));
        PrintHoldings(qPrintable(QStringLiteral("hour %1").arg(hour)), hourly.back(),
                      window.Rows().rowCount());
        trailing = std::max(trailing, window.MapView().LastRequest() - drawn);
    }
    const double seconds = wall.nsecsElapsed() / 1e9;
    const int rows = window.Rows().rowCount();
    simulator.terminate();
    simulator.waitForFinished();
    QTest::qWait(1000); // the port's loss is handled and its handles closed
    const Holdings end = CurrentHoldings(window);
    PrintHoldings("end", end, rows);
    const auto beyondRows = [&](const Holdings& from, int fromRows) {
        return ((end.ResidentKb - from.ResidentKb) * 1024.0 - 56.0 * (rows - fromRows)) / 1e6;
    };
    std::printf("%d fixes in %.0f s (%.1f times real time, asked %.0f); resident memory grew "
                "%.1f MB, %.1f MB beyond 56 bytes a row (from minute 10: %.1f MB beyond the "
                "rows); descriptors %+ld, threads %+ld "
                "(the first hour to the last: %+ld kB, %+ld descriptors, %+ld threads); "
                "the page processes %+ld kB (the first hour to the last: %+ld kB); the map "
                "was at most %d drawings behind at an hour's end\n",
                rows, seconds, rows / seconds, speed, (end.ResidentKb - start.ResidentKb) * 1024.0 / 1e6,
                beyondRows(start, startRows), beyondRows(settled, settledRows),
                end.Descriptors - start.Descriptors, end.Threads - start.Threads,
                hourly.back().ResidentKb - hourly.front().ResidentKb,
                hourly.back().Descriptors - hourly.front().Descriptors,
                hourly.back().Threads - hourly.front().Threads, end.PagesKb - start.PagesKb,
                hourly.back().PagesKb - hourly.front().PagesKb, trailing);
    return rows == fixes ? 0 : 1;
}

// One colour change a step, told back by the page's title once a frame after it began.
const char* const FramesPage =
    "<!DOCTYPE html><html><body><div id='square' style='width:50px;height:50px'></div><script>"
    "function step(k) {"
    "  document.getElementById('square').style.background = k % 2 ? 'blue' : 'red';"
    "  requestAnimationFrame(function () {"
    "    requestAnimationFrame(function () { document.title = String(k); });"
    "  });"
    "}</script></body></html>";

int BenchFrames(int steps) {
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); // as the map is drawn
    }
    QWebEngineView view;
    view.resize(640, 480);
    int drawn = 0;
    QObject::connect(&view, &QWebEngineView::titleChanged,
                     [&](const QString& title) { drawn = title.toInt(); });
    bool loaded = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    view.setHtml(QString::fromLatin1(FramesPage));
    view.show();
    if (!QTest::qWaitForWindowExposed(&view) || !QTest::qWaitFor([&] { return loaded; }, 30000)) {
        return 1;
    }
    PrintHoldings("loaded", CurrentHoldings(view), 0, "steps");
    Holdings third;
    for (int k = 1; k <= steps; ++k) {
        view.page()->runJavaScript(QStringLiteral("step(%1)").arg(k));
        if (!QTest::qWaitFor([&] { return drawn >= k; }, 10000)) {
            std::printf("the page stopped drawing at step %d\n", k);
            return 1;
        }
        if (k == steps / 3) {
            third = CurrentHoldings(view);
            PrintHoldings("a third", third, k, "steps");
        }
    }
    const Holdings end = CurrentHoldings(view);
    PrintHoldings("end", end, steps, "steps");
    const int counted = steps - steps / 3;
    std::printf("%d steps after the first third: resident memory %+ld kB, %.0f bytes a step; "
                "descriptors %+ld, threads %+ld; the page processes %+ld kB\n",
                counted, end.ResidentKb - third.ResidentKb,
                (end.ResidentKb - third.ResidentKb) * 1024.0 / counted,
                end.Descriptors - third.Descriptors, end.Threads - third.Threads,
                end.PagesKb - third.PagesKb);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareBrowser();
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    const auto number = [&](int i, double fallback) {
        return std::max(1.0, arguments.value(i, QString::number(fallback)).toDouble());
    };
    if (mode == QLatin1String("burst")) {
        return BenchBurst(QCoreApplication::applicationFilePath(), int(number(2, 3)),
                          std::max(2 * EdgeRows, int(number(3, 20000))));
    }
    if (mode == QLatin1String("burst-child") && arguments.size() > 3) {
        return BurstChild(arguments[2] == QLatin1String("1"), arguments[3].toInt());
    }
    if (mode == QLatin1String("soak")) {
        return BenchSoak(number(2, 100), int(number(3, 24)));
    }
    if (mode == QLatin1String("frames")) {
        return BenchFrames(int(number(2, 3600)));
    }
    std::printf("usage: load_bench burst [runs] [sentences] | soak [speed] [hours] | "
                "frames [steps]\n");
    return 2;
}
