// Playback pause: the processor time that a playback spends during one pause of 10
// seconds (one step of a two-record track), and by how much the pause outlasts its
// length. A 100 ms timer runs meanwhile, as the window's timers and clicks do, so the
// pause must serve events and still sleep between them.
//
// Usage: playback_bench [runs] [seconds]   (defaults 5 and 10; medians are reported)

#include "BenchFigures.h"
#include "history/clsTrackPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 5;
    const double pause = args.size() > 2 && args[2].toDouble() > 0 ? args[2].toDouble() : 10;

    clsTrackRecords records;
    records.Append({});
    records.Append({});
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    clsTrackPlayer player(records, {[] { QCoreApplication::processEvents(); }, [](qsizetype) {},
                                    [](qsizetype) {}, [] {}, [&] { return pause; }, [](bool) {},
                                    [](const QString&) {}});

    std::vector<double> loads;
    std::vector<double> overshoots;
    for (int run = 0; run < runs; ++run) {
        ticks = 0;
        QElapsedTimer clock;
        clock.start();
        const double before = ProcessorSeconds();
        player.Play(0, 1);
        const double used = ProcessorSeconds() - before;
        const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        loads.push_back(100 * used / wall);
        overshoots.push_back((wall - pause) * 1000);
        std::printf("run %d: %.3f s, processor %.1f ms = %.3f%% of one core, %d timer events "
                    "served\n",
                    run + 1, wall, used * 1000, loads.back(), ticks);
    }
    std::printf("median: %.3f%% of one core, pause outlasted by %.2f ms\n", Median(loads),
                Median(overshoots));
    return 0;
}
