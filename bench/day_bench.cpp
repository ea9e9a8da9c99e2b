// Timings of a day's reading, run by hand (figures are medians of the runs):
//   day_bench summary [runs]  trips, stops and totals of a day of 86,400 records at 1 Hz
//                             (15 minutes of driving, then 6 minutes parked with the fix
//                             wandering a few metres every second, all day)
//   day_bench chart [runs]    the speed chart of that day in its page, offscreen: from the
//                             call to the page's report that it is drawn (the page's own
//                             drawing time beside it), the first run including the page's
//                             load; then the mark moved to 200 random records, from the
//                             call until the page reports the mark placed
// The chart runs in a temporary program folder laid out like the program's.

#include "BenchFigures.h"
#include "history/TestDays.h"
#include "history/clsChartView.h"
#include "history/clsDaySummary.h"
#include "map/MapPageSupport.h"
#include "station/StationTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QWebEngineView>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double Ms(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e6;
}

// A day of 1 Hz records: 900 s driving north at 10 to 30 knots, then 360 s parked with
// the position wandering within 5 m, from 00:00:00 to 23:59:59.
clsTrackRecords BusyDay() {
    clsTrackRecords records;
    records.Reserve(86400);
    double north = 0;
    double parkedAt = 0;
    for (int second = 0; second < 86400; ++second) {
        const int phase = second % 1260;
        const bool driving = phase < 900;
        const float knots = driving ? float(20 + 10 * std::sin(second / 60.0)) : 0;
        if (driving) {
            north += knots * 1852.0 / 3600;
            parkedAt = north;
        }
        const double jitter = driving ? 0 : 5 * std::sin(second * 0.7);
        records.Append(TestDays::At(TestDays::After(QStringLiteral("2009/02/18 00:00:00"), second),
                                    driving ? north : parkedAt + jitter,
                                    driving ? 0 : 5 * std::cos(second * 1.3), knots));
    }
    return records;
}

int BenchSummary(int runs) {
    const clsTrackRecords day = BusyDay();
    const clsDaySummary::Parameters p{50, 5, 200};
    std::vector<double> times;
    int trips = 0;
    int stops = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const clsDaySummary summary(day, p, {});
        times.push_back(Ms(clock));
        trips = summary.DayTotals().Trips;
        stops = summary.DayTotals().Stops;
    }
    std::printf("summary of %lld records: %d trips, %d stops; median %.2f ms, fastest %.2f ms, "
                "slowest %.2f ms over %d runs\n",
                static_cast<long long>(day.Count()), trips, stops, Median(times),
                Percentile(times, 0), Percentile(times, 1), runs);
    return 0;
}

int BenchChart(int runs) {
    QTemporaryDir dir;
    if (!MakeProgramFolder(dir.path())) {
        std::printf("program folder not made\n");
        return 1;
    }
    const clsTrackRecords day = BusyDay();
    QWebEngineView view;
    view.resize(1000, 300);
    view.show();
    clsChartView chart(&view, dir.path());
    int drawn = 0;
    double pageMs = 0;
    QObject::connect(&chart.Bridge(), &clsChartBridge::Drawn, [&](int request, double ms) {
        drawn = request;
        pageMs = ms;
    });
    std::vector<double> totals;
    std::vector<double> pages;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const int request = chart.ShowTrack(day);
        if (!WaitUntil([&] { return drawn == request; }, 60000)) {
            std::printf("the chart was not drawn\n");
            return 1;
        }
        const double total = Ms(clock);
        std::printf("run %d: %.1f ms from the call, the page's drawing %.1f ms%s\n", run + 1, total,
                    pageMs, run == 0 ? " (with the page's load)" : "");
        if (run > 0) {
            totals.push_back(total);
            pages.push_back(pageMs);
        }
    }
    int marked = -2;
    double markMs = 0;
    QObject::connect(&chart.Bridge(), &clsChartBridge::Marked, [&](int point, double ms) {
        marked = point;
        markMs = ms;
    });
    std::vector<double> moves;
    std::vector<double> pageMoves;
    for (int i = 0; i < 200; ++i) {
        const qsizetype record = QRandomGenerator::global()->bounded(int(day.Count()));
        const int point = int(chart.Bridge().Chart().PointOfRecord(record));
        QElapsedTimer clock;
        clock.start();
        chart.Bridge().MarkRecord(record);
        if (!WaitUntil([&] { return marked == point; }, 10000)) {
            std::printf("the mark did not move\n");
            return 1;
        }
        moves.push_back(Ms(clock));
        pageMoves.push_back(markMs);
    }
    std::printf("chart of %lld records, runs after the first: median %.1f ms from the call "
                "(page's drawing %.1f ms)\n",
                static_cast<long long>(day.Count()), Median(totals), Median(pages));
    std::printf("mark moved: median %.2f ms from the call to the page's report, 95th "
                "percentile %.2f ms; in the page %.3f ms\n",
                Median(moves), Percentile(moves, 0.95), Median(pageMoves));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareBrowser();
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int runs = argc > 2 ? std::max(2, QString::fromLocal8Bit(argv[2]).toInt()) : 11;
    if (mode == QLatin1String("summary")) {
        return BenchSummary(runs);
    }
    if (mode == QLatin1String("chart")) {
        return BenchChart(runs);
    }
    std::printf("usage: day_bench summary [runs] | chart [runs]\n");
    return 2;
}
