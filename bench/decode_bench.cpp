// Decoding speed: a generated receiver log of 1,000,000 RMC sentences (with GGA, GSA
// and GSV sentences between them) is framed, sorted by its talker and decoded as the live
// path does it, with the history log off; gpsd's gpsdecode then decodes the same file for
// comparison. With --multi-gnss the receiver is a multi-GNSS one: its position sentences
// come from talker GN ($GNRMC, $GNGGA, $GNGSA) and its satellites from GP and GL.
//
// Usage: decode_bench [runs] [--ours-only] [--multi-gnss]   (runs default 5; the median run
// is reported; --ours-only skips gpsdecode, for profiling)

#include "BenchFigures.h"
#include "BenchSentences.h"
#include "tracking/clsSentenceFramer.h"
#include "tracking/clsTalkerLock.h"
#include "tracking/clsTrackRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr long long PositionSentences = 1'000'000;

// One receiver second: RMC, GGA, GSA and one of three GSV sentences. The vehicle moves
// every second, so every $GPRMC is a new position.
QByteArray Epoch(long long i, bool multiGnss) {
    const QByteArray position = multiGnss ? "GN" : "GP";
    const long long latitude = 25LL * 600000 + 21234 + i * 7;
    const long long longitude = 121LL * 600000 + 345678 + i * 11;
    char time[16];
    std::snprintf(time, sizeof time, "%02lld%02lld%02lld.00", i / 3600 % 24, i / 60 % 60, i % 60);
    char motion[32];
    std::snprintf(motion, sizeof motion, "%lld.%lld,%lld.%lld", i % 600 / 10, i % 10, i % 3600 / 10,
                  i % 10);
    const QByteArray lat = Angle(latitude, 2);
    const QByteArray lon = Angle(longitude, 3);
    QByteArray out;
    out += WithChecksum(position + "RMC," + QByteArray(time) + ",A," + lat + ",N," + lon + ",E," + motion +
                        ",180209,,,A");
    out += WithChecksum(position + "GGA," + QByteArray(time) + "," + lat + ",N," + lon +
                        ",E,1,08,0.9,545.4,M,46.9,M,,");
    out += WithChecksum(position + "GSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    static const char* const satellites[] = {
        "GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00",
        "GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00",
        "GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00,,,,"};
    QByteArray satellite = satellites[i % 3];
    if (multiGnss && i % 2 == 1) {
        satellite.replace(0, 2, "GL");
    }
    out += WithChecksum(satellite);
    return out;
}

bool WriteLog(const QString& path, bool multiGnss) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block;
    for (long long i = 0; i < PositionSentences; ++i) {
        block += Epoch(i, multiGnss);
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    return file.write(block) == block.size() && file.flush();
}

struct DecodeRun {
    double Seconds = 0;
    long long Sentences = 0;
    qsizetype Recorded = 0;
};

// Reads the log in serial-sized pieces and frames, sorts and decodes it as the live path
// does.
DecodeRun DecodeFile(const QString& path, const QString& programFolder) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    clsTrackRecorder recorder(programFolder);
    recorder.SetHistoryEnabled(false);
    recorder.ResetForOpening();
    clsSentenceFramer framer;
    clsTalkerLock talkerLock;
    DecodeRun run;
    const QDateTime arrived = QDateTime::currentDateTime();
    const auto decode = [&](QStringView line) {
        if (!clsTalkerLock::IsRmc(line)) {
            return;
        }
        for (const clsTalkerLock::Arrival& arrival : talkerLock.Offer(line, arrived)) {
            ++run.Sentences;
            recorder.ProcessSentence(arrival.Sentence, arrival.Arrived);
        }
    };
    QElapsedTimer timer;
    timer.start();
    for (QByteArray piece = file.read(4096); !piece.isEmpty(); piece = file.read(4096)) {
        framer.Append(QString::fromLatin1(piece), decode);
    }
    run.Seconds = timer.nsecsElapsed() / 1e9;
    run.Recorded = recorder.RecordCount();
    return run;
}

double TimeGpsdecode(const QString& path) {
    const QByteArray command = "gpsdecode -d -j < '" + path.toLocal8Bit() + "' > /dev/null";
    QElapsedTimer timer;
    timer.start();
    if (std::system(command.constData()) != 0) {
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("receiver.nmea"));
    const bool multiGnss = app.arguments().contains(QStringLiteral("--multi-gnss"));
    if (!folder.isValid() || !WriteLog(path, multiGnss)) {
        std::fprintf(stderr, "cannot write the receiver log in %s\n", qPrintable(folder.path()));
        return 1;
    }
    std::printf("receiver log: %lld $%sRMC among %lld lines, %.1f MB\n", PositionSentences,
                multiGnss ? "GN" : "GP", PositionSentences * 4, QFile(path).size() / 1e6);

    // The two decoders take turns, so that both meet the same load of the machine.
    const bool withGpsdecode = !app.arguments().contains(QStringLiteral("--ours-only"));
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int i = 1; i <= runs; ++i) {
        const DecodeRun run = DecodeFile(path, folder.path());
        if (run.Sentences != PositionSentences || run.Recorded != PositionSentences) {
            std::fprintf(stderr, "run %d: %lld sentences framed, %lld recorded; expected %lld\n", i,
                         run.Sentences, static_cast<long long>(run.Recorded), PositionSentences);
            return 1;
        }
        ours.push_back(run.Seconds);
        std::printf("run %d: frame + ProcessSentence %.3f s", i, run.Seconds);
        if (withGpsdecode) {
            const double seconds = TimeGpsdecode(path);
            if (seconds < 0) {
                std::fprintf(stderr, "\ngpsdecode failed or is not installed\n");
                return 1;
            }
            theirs.push_back(seconds);
            std::printf(", gpsdecode -d -j %.3f s", seconds);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("median over %d runs, RMC sentences per second:\n", runs);
    const double oursRate = PositionSentences / Median(ours);
    std::printf("  ours       %12.0f\n", oursRate);
    if (!withGpsdecode) {
        return 0;
    }
    const double theirRate = PositionSentences / Median(theirs);
    std::printf("  gpsdecode  %12.0f\n", theirRate);
    std::printf("  ratio      %12.1fx\n", oursRate / theirRate);
    return 0;
}
