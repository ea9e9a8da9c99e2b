#include "history/clsHistoryFetch.h"
#include "shell/TestFiles.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/TestSentences.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsSentenceFramer.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/clsTrackRecorder.h"
#include "tracking/modNmeaDecoder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <cstdio>
#include <thread>

namespace {

const QDateTime Noon(QDate(2009, 2, 18), QTime(12, 0));
const QLatin1String StreamOption("--stream-into");

// The settings file of a program folder whose COM1 is device.
bool MapFirstPort(const QString& folder, const QString& device) {
    return WriteFile(folder + "/vendrel.ini", "[Ports]\r\nCOM1=" + QFile::encodeName(device) + "\r\n");
}

// A checksummed sentence at its own position, for step: a thousandth of a minute apart,
// which the position's five decimals of a degree still tell apart.
QByteArray Moving(int step) {
    const int units = step * 10; // ten-thousandths of a minute
    const QString body = QStringLiteral("GPRMC,120000,A,25%1.%2,N,12134.5678,E,%3,90,180209,,")
                             .arg(10 + units / 10000)
                             .arg(units % 10000, 4, 10, QLatin1Char('0'))
                             .arg(step % 50);
    return Checksummed(body).toLatin1();
}

// The live path of the station in a process of its own, to be killed: receiver and
// recorder on the folder's COM1, each recorded fix told on standard output as its record
// (without the line end) once the recorder has returned, as the window then lists it.
int StreamInto(const QString& folder) {
    clsSerialReceiver receiver(folder, nullptr, [] { return Noon; });
    clsTrackRecorder recorder(folder, [] { return Noon; });
    QObject::connect(&receiver, &clsSerialReceiver::SentenceReceived,
                     [&](const QString& sentence, const QDateTime& arrived) {
                         if (recorder.ProcessSentence(sentence, arrived).Recorded) {
                             const QByteArray record =
                                 clsHistoryLog::RecordText(recorder.CurrentFix()).trimmed();
                             std::printf("listed %s\n", record.constData());
                             std::fflush(stdout);
                         }
                     });
    receiver.Open(0, 0, QStringLiteral("4800,n,8,1"));
    std::printf("open\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// Writes everything to the master of a pseudo-terminal from a thread of its own, so that
// the receiver in this process drains the terminal while it fills; it gives up when the
// test ends first.
class Flood {
public:
    Flood(int master, QByteArray bytes) : m_bytes(std::move(bytes)) {
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        m_thread = std::thread([this, master] { Write(master); });
    }
    ~Flood() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Write(int master) {
        for (qsizetype done = 0; done < m_bytes.size() && !m_stop;) {
            const ssize_t n = ::write(master, m_bytes.constData() + done,
                                      size_t(std::min<qsizetype>(4096, m_bytes.size() - done)));
            if (n > 0) {
                done += n;
            } else if (errno == EAGAIN) {
                pollfd room{master, POLLOUT, 0};
                ::poll(&room, 1, 100);
            } else if (errno != EINTR) {
                return;
            }
        }
    }
    QByteArray m_bytes;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

QByteArray WrongChecksum(const QByteArray& sentence) {
    return sentence.chopped(1) + (sentence.endsWith('0') ? '1' : '0');
}

// Bytes a receiver never sends in a sentence: anything but a carriage return (which ends
// a line) and "$" (which begins a sentence).
QByteArray Garbage(QRandomGenerator& random, int length) {
    QByteArray bytes(length, Qt::Uninitialized);
    for (char& c : bytes) {
        do {
            c = char(random.bounded(256));
        } while (c == '\r' || c == '$');
    }
    return bytes;
}

} // namespace

class tst_LiveFaults : public QObject {
    Q_OBJECT

private slots:
    // The station is killed while the receiver streams, after it listed a number of fixes:
    // each of them is in the log, in order, the log ends with a whole record, and the
    // history fetch of a restarted station finds them all.
    void killedWhileStreaming_data() {
        QTest::addColumn<int>("listedBeforeKill");
        for (int listed : {1, 30, 300}) {
            QTest::addRow("after %d fixes", listed) << listed;
        }
    }

    void killedWhileStreaming() {
        QFETCH(int, listedBeforeKill);
        QTemporaryDir folder;
        TestPseudoTerminal receiver;
        QVERIFY(MapFirstPort(folder.path(), receiver.SlavePath()));
        QProcess station;
        station.start(QCoreApplication::applicationFilePath(), {StreamOption, folder.path()});
        QVERIFY(station.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(station.canReadLine(), 20000);
        QCOMPARE(station.readLine(), "open\n");

        QByteArrayList listed;
        int step = 0;
        QTimer stream;
        connect(&stream, &QTimer::timeout, this, [&] {
            receiver.Write(Moving(++step) + "\r\n");
            while (station.canReadLine()) {
                listed << station.readLine().mid(7).chopped(1);
            }
            if (listed.size() >= listedBeforeKill && station.state() == QProcess::Running) {
                station.kill(); // SIGKILL: nothing of the station runs after it
                stream.stop();
            }
        });
        stream.start(2);
        QTRY_VERIFY_WITH_TIMEOUT(station.state() == QProcess::NotRunning, 30000);
        QCOMPARE(station.exitStatus(), QProcess::CrashExit);
        QVERIFY(listed.size() >= listedBeforeKill);

        const QByteArray log = ReadFile(clsHistoryLog::PathForMonth(folder.path(), Noon.date()));
        QVERIFY(log.endsWith("\r\r\n"));
        QByteArrayList records = log.split('\n');
        records.removeLast();
        for (QByteArray& record : records) {
            record = record.trimmed();
        }
        QVERIFY2(records.size() >= listed.size(), qPrintable(QString::number(records.size())));
        QCOMPARE(records.mid(0, listed.size()), listed);

        clsTrackRecords fetched;
        clsHistoryFetch fetch(folder.path(),
                              clsHistoryQuery(Noon.date(), "00", "00", "24", "00", "0", "999"));
        fetch.Run(fetched, [](qint64, qint64) {});
        QCOMPARE(fetched.Count(), records.size());
        for (qsizetype i = 0; i < listed.size(); ++i) {
            QCOMPARE(clsHistoryLog::RecordText(fetched.At(i)).trimmed(), listed[i]);
        }
    }

    // A receiver floods the port with garbage and sentences mixed: lines of random bytes,
    // sentences of other kinds, RMC sentences with a wrong checksum, and runs longer than the
    // receive buffer without a carriage return, the last of which is still waiting at the
    // end. Every valid RMC sentence is handed on and recorded, in order, and the receive
    // buffer holds no more than its cap: the newest characters of the waiting run (line
    // feeds never enter it).
    void floodedPort_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("sentences");
        QTest::newRow("300 sentences") << quint32(1) << 300;
        QTest::newRow("3000 sentences") << quint32(2) << 3000;
    }

    void floodedPort() {
        QFETCH(quint32, seed);
        QFETCH(int, sentences);
        constexpr qsizetype Cap = clsSentenceFramer::MaxBufferLength;
        QRandomGenerator random(seed);
        QByteArray bytes;
        QByteArrayList valid;
        for (int step = 1; step <= sentences; ++step) {
            if (random.bounded(sentences / 10) == 0) { // about ten runs in each flood
                bytes += Garbage(random, int(random.bounded(Cap / 4, Cap * 2))) + '\r';
            }
            switch (random.bounded(4)) {
            case 0:
                bytes += Checksummed("GPGGA,120000,2510.0000,N,12134.5678,E,1,08").toLatin1() + "\r\n";
                break;
            case 1:
                bytes += WrongChecksum(Moving(step)) + "\r\n";
                break;
            default:
                bytes += Garbage(random, int(random.bounded(1, 200))) + "\r\n";
            }
            valid << Moving(step);
            bytes += valid.last() + "\r\n";
        }
        const QByteArray waiting = Garbage(random, int(Cap + 5000));
        bytes += waiting;

        QTemporaryDir folder;
        TestPseudoTerminal receiver;
        QVERIFY(MapFirstPort(folder.path(), receiver.SlavePath()));
        clsSerialReceiver station(folder.path(), nullptr, [] { return Noon; });
        clsTrackRecorder recorder(folder.path(), [] { return Noon; });
        QByteArrayList handedOn;
        qsizetype largestBuffer = 0;
        connect(&station, &clsSerialReceiver::SentenceReceived, this,
                [&](const QString& sentence, const QDateTime& arrived) {
                    largestBuffer = std::max(largestBuffer, station.ReceiveBuffer().size());
                    recorder.ProcessSentence(sentence, arrived);
                    if (modNmeaDecoder::ChecksumAgrees(sentence)) {
                        handedOn << sentence.toLatin1();
                    }
                });
        station.Open(0, 0, QStringLiteral("115200,n,8,1"));
        const Flood flood(receiver.Master(), bytes);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.RecordCount(), qsizetype(sentences), 60000);
        QCOMPARE(handedOn, valid);
        const QByteArray kept = QByteArray(waiting).replace('\n', QByteArray()).right(Cap);
        QTRY_COMPARE_WITH_TIMEOUT(station.ReceiveBuffer(), QString::fromLatin1(kept), 20000);
        QVERIFY2(largestBuffer <= Cap, qPrintable(QString::number(largestBuffer)));
    }
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc == 3 && QLatin1String(argv[1]) == StreamOption) {
        return StreamInto(QString::fromLocal8Bit(argv[2]));
    }
    tst_LiveFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_LiveFaults.moc"
