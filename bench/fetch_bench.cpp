// History fetch speed: a month's log of 1,050,000 records (35,000 a day for 30 days),
// written in the station's own record format, from which one whole day is fetched;
// grep counts the lines of the same day in the same file for comparison, alternating
// with the fetch so that both see the same machine.
//
// Usage: fetch_bench [runs] [--ours-only]   (runs default 5; medians are reported;
// --ours-only skips grep, for profiling)

#include "BenchFigures.h"
#include "history/clsHistoryFetch.h"
#include "tracking/clsHistoryLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Days = 30;
constexpr int RecordsPerDay = 35'000;
constexpr int FetchedDay = 15;

PositionFix Fix(int day, int i) {
    const int second = static_cast<int>(static_cast<long long>(i) * 86'400 / RecordsPerDay);
    PositionFix fix;
    fix.FixTime = QStringLiteral("2009/04/%1 %2:%3:%4")
                      .arg(day, 2, 10, QLatin1Char('0'))
                      .arg(second / 3600, 2, 10, QLatin1Char('0'))
                      .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(second % 60, 2, 10, QLatin1Char('0'));
    fix.NorthSouth = QStringLiteral("N");
    fix.EastWest = QStringLiteral("E");
    const long long step = static_cast<long long>(day) * RecordsPerDay + i;
    fix.Latitude = 25 + static_cast<double>(step % 99'991) / 100'000;
    fix.Longitude = 121 + static_cast<double>(step * 7 % 99'989) / 100'000;
    fix.Speed = static_cast<float>(step % 1'200) / 20;
    fix.Direction = static_cast<float>(step % 3'600) / 10;
    fix.Status = step % 50 == 0 ? QStringLiteral("V") : QStringLiteral("A");
    return fix;
}

bool WriteLog(const QString& path) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block;
    for (int day = 1; day <= Days; ++day) {
        for (int i = 0; i < RecordsPerDay; ++i) {
            block += clsHistoryLog::RecordText(Fix(day, i));
        }
        if (file.write(block) != block.size()) {
            return false;
        }
        block.clear();
    }
    return true;
}

// Milliseconds of grep -c over the file, its output sent to a file as a reader of it
// would (grep stops at the first match when the output is /dev/null).
double TimeGrep(const QString& log, const QString& output, long long& count) {
    QProcess grep;
    grep.setStandardOutputFile(output);
    QElapsedTimer clock;
    clock.start();
    grep.start(QStringLiteral("grep"),
               {QStringLiteral("-c"), QStringLiteral("^2009/04/%1").arg(FetchedDay), log});
    grep.waitForFinished(-1);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QFile result(output);
    count = result.open(QIODevice::ReadOnly) ? result.readAll().trimmed().toLongLong() : -1;
    return ms;
}

double TimeFetch(const QString& folder, qsizetype& count, int& slices) {
    clsTrackRecords records;
    slices = 0;
    QElapsedTimer clock;
    clock.start();
    clsHistoryFetch(folder, {QDate(2009, 4, FetchedDay), QStringLiteral("00"), QStringLiteral("00"),
                             QStringLiteral("24"), QStringLiteral("00"), QStringLiteral("0"),
                             QStringLiteral("999")})
        .Run(records, [&](qint64, qint64) { ++slices; });
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    count = records.Count();
    return ms;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 5;
    const bool oursOnly = args.contains(QStringLiteral("--ours-only"));

    QTemporaryDir folder;
    const QString log = clsHistoryLog::PathForMonth(folder.path(), QDate(2009, 4, 1));
    QElapsedTimer clock;
    clock.start();
    if (!WriteLog(log)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(log));
        return 1;
    }
    std::printf("log: %d records, %.1f MB, written in %lld ms\n", Days * RecordsPerDay,
                static_cast<double>(QFileInfo(log).size()) / 1e6,
                static_cast<long long>(clock.elapsed()));

    std::vector<double> fetchTimes;
    std::vector<double> grepTimes;
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run) {
        qsizetype kept = 0;
        int slices = 0;
        long long counted = -1;
        const double grepMs =
            oursOnly ? 0 : TimeGrep(log, folder.filePath(QStringLiteral("grep.out")), counted);
        const double fetchMs = TimeFetch(folder.path(), kept, slices);
        if (!oursOnly && counted != kept) {
            std::fprintf(stderr, "fetch kept %lld records, grep counted %lld\n",
                         static_cast<long long>(kept), counted);
            return 1;
        }
        fetchTimes.push_back(fetchMs);
        grepTimes.push_back(grepMs);
        if (!oursOnly) {
            ratios.push_back(fetchMs / grepMs);
        }
        std::printf("run %d: fetch %.1f ms (%lld records, %d slices), grep %.1f ms\n", run + 1,
                    fetchMs, static_cast<long long>(kept), slices, grepMs);
    }
    std::printf("median: fetch %.1f ms", Median(fetchTimes));
    if (!oursOnly) {
        std::printf(", grep %.1f ms, ratio %.2f (median of the runs' ratios)", Median(grepTimes),
                    Median(ratios));
    }
    std::printf("\n");
    return 0;
}
