// A link that flaps for a minute: a TCP peer (and one that answers as gpsd) accepts the
// station's connection, sends five sentences and a cut piece of one more, and drops it; the
// receiver, with its retries on, connects again a second later. Reports the connections,
// the sentences sent whole and handed on (lost, doubled, out of order), and the process's
// open handles, threads and resident memory at the start, every ten seconds and at the end.
//
// Usage: link_bench [seconds] [runs]   (default 60 seconds, 3 runs; medians over the runs)

#include "BenchFigures.h"
#include "tracking/FlappingPeer.h"
#include "tracking/clsSerialReceiver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

long Threads() {
    return StatusKilobytes(QCoreApplication::applicationPid(), "Threads:");
}

long ResidentKilobytes() {
    return StatusKilobytes(QCoreApplication::applicationPid(), "VmRSS:");
}

struct RunFigures {
    int Connections = 0;
    qsizetype Sent = 0;
    qsizetype Received = 0;
    qsizetype Lost = 0;
    qsizetype Doubled = 0;
    bool InOrder = true;
    int HandlesGrowth = 0;
    long ThreadsGrowth = 0;
    long ResidentGrowthKb = 0;
};

RunFigures Run(bool asGpsd, int seconds) {
    QTemporaryDir folder;
    FlappingPeer peer(asGpsd, 5);
    if (!peer.Listen()) {
        std::fprintf(stderr, "the peer cannot listen\n");
        std::exit(1);
    }
    QFile settings(folder.filePath("vendrel.ini"));
    settings.open(QIODevice::WriteOnly);
    settings.write("[Ports]\nCOM1=" + peer.Address().toUtf8() + "\n");
    settings.close();

    clsSerialReceiver receiver(folder.path());
    receiver.SetAutoReconnect(true);
    QStringList received;
    QObject::connect(&receiver, &clsSerialReceiver::SentenceReceived,
                     [&](const QString& sentence) { received.append(sentence); });
    bool stopping = false;
    // Stops only while the receiver waits to try again: all the peer sent has arrived.
    QObject::connect(&receiver, &clsSerialReceiver::Retrying, [&] {
        if (stopping) {
            receiver.Close();
        }
    });
    const int handlesAtStart = OpenHandles();
    const long threadsAtStart = Threads();
    const long residentAtStart = ResidentKilobytes();
    std::printf("  %-5s  %6s  %11s  %7s  %7s  %8s\n", "s", "links", "handed on", "handles",
                "threads", "RSS kB");
    const auto report = [&](int second) {
        std::printf("  %-5d  %6d  %11lld  %7d  %7ld  %8ld\n", second, peer.Connections(),
                    static_cast<long long>(received.size()), OpenHandles(), Threads(),
                    ResidentKilobytes());
    };
    report(0);
    receiver.Open(0, 0, QStringLiteral("4800,n,8,1"));
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    int second = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++second;
        if (second % 10 == 0) {
            report(second);
        }
        if (second >= seconds) {
            stopping = true;
            tick.stop();
        }
    });
    tick.start(1000);
    while (receiver.IsOpen() || peer.Live() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    report(static_cast<int>(clock.elapsed() / 1000));

    RunFigures f;
    f.Connections = peer.Connections();
    f.Sent = peer.Sent().size();
    f.Received = received.size();
    const QSet<QString> sent(peer.Sent().cbegin(), peer.Sent().cend());
    const QSet<QString> got(received.cbegin(), received.cend());
    f.Lost = (sent - got).size();
    f.Doubled = received.size() - got.size();
    f.InOrder = received == peer.Sent();
    f.HandlesGrowth = OpenHandles() - handlesAtStart;
    f.ThreadsGrowth = Threads() - threadsAtStart;
    f.ResidentGrowthKb = ResidentKilobytes() - residentAtStart;
    return f;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    for (const bool asGpsd : {false, true}) {
        std::vector<double> connections, lost, doubled, handles, threads, resident;
        bool inOrder = true;
        for (int run = 1; run <= runs; ++run) {
            std::printf("%s link, run %d of %d, %d s:\n", asGpsd ? "gpsd" : "TCP", run, runs,
                        seconds);
            const RunFigures f = Run(asGpsd, seconds);
            std::printf("  sent whole %lld, handed on %lld, lost %lld, doubled %lld, %s\n",
                        static_cast<long long>(f.Sent), static_cast<long long>(f.Received),
                        static_cast<long long>(f.Lost), static_cast<long long>(f.Doubled),
                        f.InOrder ? "exactly as sent" : "NOT as sent");
            connections.push_back(f.Connections);
            lost.push_back(double(f.Lost));
            doubled.push_back(double(f.Doubled));
            handles.push_back(f.HandlesGrowth);
            threads.push_back(double(f.ThreadsGrowth));
            resident.push_back(double(f.ResidentGrowthKb));
            inOrder = inOrder && f.InOrder;
        }
        std::printf("%s link, medians of %d runs: %.0f connections, %.0f lost, %.0f doubled, "
                    "handles %+.0f, threads %+.0f, resident memory %+.0f kB; %s\n\n",
                    asGpsd ? "gpsd" : "TCP", runs, Median(connections), Median(lost),
                    Median(doubled), Median(handles), Median(threads), Median(resident),
                    inOrder ? "every run exactly as sent" : "some run NOT as sent");
    }
    return 0;
}
