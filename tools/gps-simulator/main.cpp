// gps-simulator: plays a receiver capture into a pseudo-terminal, so the station (or
// any serial program) can open the slave device as if a GPS receiver were attached.

#include "clsNmeaLog.h"
#include "clsPseudoTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void RequestStop(int) {
    g_stopRequested = 1;
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a signal must cut a sleep or a wait short
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void Advance(timespec& when, long long nanoseconds) {
    const long long total = when.tv_nsec + nanoseconds;
    when.tv_sec += static_cast<time_t>(total / 1000000000LL);
    when.tv_nsec = static_cast<long>(total % 1000000000LL);
}

// Sleeps until the monotonic clock reaches when; false when a stop was requested.
bool SleepUntil(const timespec& when) {
    while (!g_stopRequested) {
        const int result = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
        if (result == 0) {
            return true;
        }
        if (result != EINTR) {
            return false;
        }
    }
    return false;
}

void WaitForStop() {
    const timespec nap{0, 100000000L};
    while (!g_stopRequested) {
        nanosleep(&nap, nullptr);
    }
}

// The replay begins when a program first opens the device, so that it sees the log
// from its start; false when a stop was requested first.
bool WaitForFirstReader(const clsPseudoTerminal& terminal) {
    const timespec nap{0, 20000000L};
    while (!g_stopRequested) {
        if (terminal.HasReader()) {
            return true;
        }
        nanosleep(&nap, nullptr);
    }
    return false;
}

// Plays every burst once per interval, the first at once; false when stopped.
bool Replay(clsPseudoTerminal& terminal, const QList<QByteArray>& bursts, long long interval,
            timespec& due) {
    for (const QByteArray& burst : bursts) {
        if (g_stopRequested || !terminal.Send(burst)) {
            return false;
        }
        Advance(due, interval);
        if (!SleepUntil(due)) {
            return false;
        }
    }
    return true;
}

// Points link at target, replacing an older link but never a real file.
bool MakeLink(const QString& link, const QString& target, QString& error) {
    const QFileInfo existing(link);
    if (existing.isSymLink()) {
        QFile::remove(link);
    } else if (existing.exists()) {
        error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) !=
        0) {
        error = QStringLiteral("cannot create the link %1").arg(link);
        return false;
    }
    return true;
}

void RemoveLink(const QString& link, const QString& target) {
    if (!link.isEmpty() && QFileInfo(link).isSymLink() && QFile::symLinkTarget(link) == target) {
        QFile::remove(link);
    }
}

int Fail(const QString& message) {
    fprintf(stderr, "gps-simulator: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gps-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays an NMEA 0183 receiver capture into a new pseudo-terminal and prints the device "
        "path of its slave side, which a station opens as its serial port.\n"
        "The replay starts when a program first opens the device and sends one fix (a $GPRMC "
        "sentence and the lines up to the next one) per second; while nobody has the device "
        "open its output is dropped, as on an unconnected cable. Lines starting with # are "
        "skipped and every line is sent with CR LF. Without --loop the device stays after "
        "the last fix until the program is stopped (SIGTERM or SIGINT)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("log"), QStringLiteral("NMEA capture to play."));
    const QCommandLineOption speedOption(QStringLiteral("speed"),
                                         QStringLiteral("Play N times faster than real time."),
                                         QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption loopOption(QStringLiteral("loop"),
                                        QStringLiteral("Start again after the last fix."));
    const QCommandLineOption linkOption(
        QStringLiteral("link"), QStringLiteral("Also make PATH a symbolic link to the device."),
        QStringLiteral("PATH"));
    parser.addOptions({speedOption, loopOption, linkOption});
    parser.process(app);

    if (parser.positionalArguments().size() != 1) {
        return Fail(QStringLiteral("give exactly one log file (see --help)"));
    }
    bool speedOk = false;
    const double speed = parser.value(speedOption).toDouble(&speedOk);
    if (!speedOk || speed <= 0) {
        return Fail(QStringLiteral("--speed needs a number above 0"));
    }
    QString error;
    QList<QByteArray> bursts;
    if (!clsNmeaLog::Load(parser.positionalArguments().constFirst(), bursts, error)) {
        return Fail(error);
    }
    clsPseudoTerminal terminal;
    if (!terminal.Create(error)) {
        return Fail(error);
    }
    const QString link = parser.value(linkOption);
    if (!link.isEmpty() && !MakeLink(link, terminal.SlavePath(), error)) {
        return Fail(error);
    }
    InstallStopHandlers();
    printf("%s\n", qPrintable(terminal.SlavePath()));
    fflush(stdout);

    const long long interval = static_cast<long long>(1e9 / speed);
    bool playing = WaitForFirstReader(terminal);
    timespec due{};
    clock_gettime(CLOCK_MONOTONIC, &due);
    playing = playing && Replay(terminal, bursts, interval, due);
    while (playing && parser.isSet(loopOption) && !bursts.isEmpty()) {
        playing = Replay(terminal, bursts, interval, due);
    }
    WaitForStop();
    RemoveLink(link, terminal.SlavePath());
    return 0;
}
