// Storage and receiver under load, through the real live path (receiver, recorder, history
// log) of the core:
//
//   storage_bench flood [SECONDS]  a receiver floods a real pseudo-terminal at 115,200 baud
//                                  with garbage and valid sentences mixed (60 s): resident
//                                  memory at the start, every 10 s and at the end, and
//                                  whether every valid sentence was recorded
//   storage_bench slow [FIXES]     10 fixes a second onto storage that takes 50 ms per
//                                  write and per flush (the tests' storage_faults library,
//                                  loaded by the benchmark itself): the window thread's time
//                                  per fix with the flush on the worker, and as it was when
//                                  the window's thread waited for the flush
#include "BenchFigures.h"
#include "BenchSentences.h"
#include "shell/TestFiles.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/clsTrackRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

const QDateTime Noon(QDate(2009, 2, 18), QTime(12, 0));

// A thousandth of a minute apart, which the fix's five decimals still tell apart.
QByteArray Moving(int step) {
    return WithChecksum("GPRMC,120000,A," + Angle(1500000 + step * 10, 2) + ",N," +
                        Angle(7300000 + step * 10, 3) + ",E,1,90,180209,,");
}

long ResidentKilobytes() {
    return StatusKilobytes(::getpid(), "VmRSS:");
}

// About half the bytes are valid moving sentences, the rest lines of random bytes and
// sentences with a wrong checksum.
QByteArray FloodBytes(qsizetype size, int& valid) {
    QRandomGenerator random(7);
    QByteArray bytes;
    valid = 0;
    while (bytes.size() < size) {
        bytes += Moving(++valid);
        if (random.bounded(3) == 0) {
            bytes += Moving(valid).replace("*", "*F");
        }
        QByteArray garbage(int(random.bounded(10, 120)), Qt::Uninitialized);
        for (char& c : garbage) {
            do {
                c = char(random.bounded(256));
            } while (c == '\r' || c == '$');
        }
        bytes += garbage + "\r\n";
    }
    return bytes;
}

int Flood(int seconds) {
    constexpr int BytesPerSecond = 115200 / 10; // 8 data bits, a start and a stop bit
    int valid = 0;
    const QByteArray bytes = FloodBytes(qsizetype(BytesPerSecond) * seconds, valid);
    QTemporaryDir folder;
    TestPseudoTerminal terminal;
    WriteFile(folder.filePath("vendrel.ini"),
              "[Ports]\r\nCOM1=" + terminal.SlavePath().toLocal8Bit() + "\r\n");
    clsSerialReceiver receiver(folder.path(), nullptr, [] { return Noon; });
    clsTrackRecorder recorder(folder.path(), [] { return Noon; });
    QObject::connect(&receiver, &clsSerialReceiver::SentenceReceived,
                     [&](const QString& sentence, const QDateTime& arrived) {
                         recorder.ProcessSentence(sentence, arrived);
                     });
    receiver.Open(0, 0, QStringLiteral("115200,n,8,1"));
    const long start = ResidentKilobytes();
    std::printf("flood of %d s, %lld bytes, %d valid sentences; resident memory at the start "
                "%ld kB\n",
                seconds, qlonglong(bytes.size()), valid, start);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        const auto begin = std::chrono::steady_clock::now();
        constexpr int Slice = 10; // ms
        for (qsizetype sent = 0, slice = 0; sent < bytes.size(); ++slice) {
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(slice * Slice));
            const qsizetype chunk = std::min<qsizetype>(BytesPerSecond * Slice / 1000,
                                                        bytes.size() - sent);
            for (qsizetype written = 0; written < chunk;) {
                const ssize_t n = ::write(terminal.Master(), bytes.constData() + sent + written,
                                          size_t(chunk - written));
                written += n > 0 ? n : 0;
            }
            sent += chunk;
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    long largest = start;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        const long now = ResidentKilobytes();
        largest = std::max(largest, now);
        if (clock.elapsed() / 10000 != (clock.elapsed() - 1000) / 10000) {
            std::printf("  %3lld s: %ld kB (%+ld kB), %lld fixes recorded\n",
                        clock.elapsed() / 1000, now, now - start,
                        qlonglong(recorder.RecordCount()));
        }
        if (done && recorder.RecordCount() >= valid) {
            QCoreApplication::quit();
        }
        if (done && clock.elapsed() > (seconds + 30) * 1000LL) {
            QCoreApplication::quit();
        }
    });
    sample.start(1000);
    QCoreApplication::exec();
    writer.join();
    const long end = ResidentKilobytes();
    std::printf("end after %.1f s: %ld kB (%+ld kB), largest %ld kB (%+ld kB); %lld of %d valid "
                "sentences recorded; receive buffer %lld characters\n",
                clock.elapsed() / 1000.0, end, end - start, largest, largest - start,
                qlonglong(recorder.RecordCount()), valid,
                qlonglong(receiver.ReceiveBuffer().size()));
    return recorder.RecordCount() == valid ? 0 : 1;
}

// Milliseconds that the window's thread spends per fix, at 10 fixes a second.
std::vector<double> SlowRun(int fixes, bool waitForFlush) {
    QTemporaryDir folder;
    QTemporaryDir control;
    qputenv("STORAGE_FAULTS_DIR", QFile::encodeName(folder.path()));
    qputenv("STORAGE_FAULTS_CONTROL", QFile::encodeName(control.path()));
    WriteFile(control.filePath("delay"), "50\n");
    clsTrackRecorder recorder(folder.path(), [] { return Noon; });
    std::vector<double> spent;
    QTimer tick;
    int step = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        QElapsedTimer clock;
        clock.start();
        recorder.ProcessSentence(QString::fromLatin1(Moving(++step).trimmed()), Noon);
        if (waitForFlush) {
            recorder.HistoryLog().WaitUntilFlushed();
        }
        spent.push_back(clock.nsecsElapsed() / 1e6);
        if (step == fixes) {
            QCoreApplication::quit();
        }
    });
    tick.start(100);
    QCoreApplication::exec();
    recorder.HistoryLog().WaitUntilFlushed();
    qunsetenv("STORAGE_FAULTS_DIR");
    return spent;
}

int Slow(int fixes) {
    if (!qgetenv("LD_PRELOAD").contains("storage_faults")) {
        qputenv("LD_PRELOAD", STATION_STORAGE_FAULTS);
        return QProcess::execute(QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("slow"), QString::number(fixes)});
    }
    for (const bool waitForFlush : {false, true}) {
        const std::vector<double> spent = SlowRun(fixes, waitForFlush);
        double busy = 0;
        for (const double ms : spent) {
            busy += ms;
        }
        std::printf("%s: window thread per fix median %.1f ms, slowest %.1f ms, busy %.0f %% of "
                    "the time at 10 fixes/s\n",
                    waitForFlush ? "flush waited for on the window thread" : "flush on the worker",
                    Median(spent), Percentile(spent, 1), busy / (spent.size() * 100.0) * 100);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    const int amount = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 0;
    if (mode == QLatin1String("flood")) {
        return Flood(amount > 0 ? amount : 60);
    }
    if (mode == QLatin1String("slow")) {
        return Slow(amount > 0 ? amount : 100);
    }
    std::fprintf(stderr, "usage: storage_bench flood [SECONDS] | slow [FIXES]\n");
    return 2;
}
