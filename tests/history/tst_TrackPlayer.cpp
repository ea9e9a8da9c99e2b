// Playing a track back: which records are shown in which order, the button states,
// stopping, and the pause between steps.

#include "history/clsTrackPlayer.h"
#include "shell/clsStationError.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QtTest>

namespace {

// A player over count records whose window records what the player asks of it.
struct Playback {
    clsTrackRecords Records;
    QStringList Calls;
    QList<qsizetype> Shown;
    double Pause = 0;
    std::function<void(qsizetype)> OnShow = [](qsizetype) {};
    clsTrackPlayer Player;

    explicit Playback(int count)
        : Player(Records, {[this] { Calls.append("events"); },
                           [this](qsizetype row) { Calls.append(QString("select %1").arg(row)); },
                           [this](qsizetype index) {
                               Calls.append(QString("show %1").arg(index));
                               Shown.append(index);
                               OnShow(index);
                           },
                           [this] { Calls.append("track"); }, [this] { return Pause; },
                           [this](bool playing) { Calls.append(playing ? "playing" : "stopped"); },
                           [this](const QString& message) { Calls.append("error " + message); }}) {
        for (int i = 0; i < count; ++i) {
            Records.Append({});
        }
    }
};

} // namespace

class tst_TrackPlayer : public QObject {
    Q_OBJECT

private slots:
    void showsTheRecordsAfterTheSelectedRow_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qsizetype>("selectedRow");
        QTest::addColumn<double>("step");
        QTest::addColumn<QList<qsizetype>>("shown");
        QTest::newRow("step 1 after the first row")
            << 5 << qsizetype(0) << 1.0 << QList<qsizetype>{1, 2, 3, 4};
        QTest::newRow("step 3") << 10 << qsizetype(0) << 3.0 << QList<qsizetype>{1, 4, 7};
        QTest::newRow("no row selected") << 3 << qsizetype(-1) << 1.0 << QList<qsizetype>{0, 1, 2};
        QTest::newRow("last row selected") << 4 << qsizetype(3) << 1.0 << QList<qsizetype>{};
        QTest::newRow("half steps round to even")
            << 4 << qsizetype(-1) << 0.5 << QList<qsizetype>{0, 0, 1, 2, 2, 2, 3};
        QTest::newRow("negative step from the last row")
            << 4 << qsizetype(3) << -1.0 << QList<qsizetype>{};
        QTest::newRow("negative step from the second to last row")
            << 4 << qsizetype(2) << -1.0 << QList<qsizetype>{};
        QTest::newRow("no records") << 0 << qsizetype(-1) << 1.0 << QList<qsizetype>{};
    }

    void showsTheRecordsAfterTheSelectedRow() {
        QFETCH(int, count);
        QFETCH(qsizetype, selectedRow);
        QFETCH(double, step);
        QFETCH(QList<qsizetype>, shown);
        Playback playback(count);
        playback.Player.Play(selectedRow, step);
        QCOMPARE(playback.Shown, shown);
        QStringList calls = {"playing"};
        for (const qsizetype index : shown) {
            calls << "events" << QString("select %1").arg(index) << QString("show %1").arg(index)
                  << "track";
        }
        QCOMPARE(playback.Calls, calls << "stopped");
        QVERIFY(!playback.Player.Running());
    }

    // Stop shows the stopped buttons at once; the step in its pause still ends with its
    // whole-track drawing, and no further step follows.
    void stopDuringAPauseEndsAfterThePause() {
        Playback playback(5);
        playback.Pause = 0.2;
        playback.OnShow = [&](qsizetype) {
            QTimer::singleShot(10, [&] { playback.Player.Stop(); });
        };
        playback.Player.Play(0, 1);
        QCOMPARE(playback.Calls, QStringList({"playing", "events", "select 1", "show 1", "stopped",
                                              "track", "stopped"}));
    }

    // Play pressed again while the stopped playback still pauses starts a new playback
    // from the row selected then, once the pause is over, not one inside the other.
    void playAgainDuringTheLastPauseStartsAfterIt() {
        Playback playback(6);
        playback.Pause = 0.1;
        playback.OnShow = [&](qsizetype index) {
            if (index == 1) {
                QTimer::singleShot(10, [&] {
                    playback.Player.Stop();
                    playback.Player.Play(3, 1);
                    playback.Calls.append("pressed");
                });
            }
        };
        playback.Player.Play(0, 1);
        QCOMPARE(playback.Shown, QList<qsizetype>({1, 4, 5}));
        QCOMPARE(playback.Calls.mid(0, 8), QStringList({"playing", "events", "select 1", "show 1",
                                                        "stopped", "playing", "pressed", "track"}));
        QCOMPARE(playback.Calls.count("stopped"), 2);
        QCOMPARE(playback.Calls.last(), "stopped");
    }

    void anErrorInAStepIsReportedAndStops() {
        Playback playback(5);
        playback.OnShow = [](qsizetype index) {
            if (index == 2) {
                throw clsStationError("map page cannot be written");
            }
        };
        playback.Player.Play(0, 1);
        QCOMPARE(playback.Calls.mid(5),
                 QStringList({"events", "select 2", "show 2", "error map page cannot be written",
                              "stopped"}));
    }

    void abortEndsThePauseAtOnce() {
        Playback playback(5);
        playback.Pause = 60;
        playback.OnShow = [&](qsizetype) {
            QTimer::singleShot(0, [&] { playback.Player.Abort(); });
        };
        QElapsedTimer clock;
        clock.start();
        playback.Player.Play(0, 1);
        QVERIFY(clock.elapsed() < 60'000);
        QCOMPARE(playback.Calls, QStringList({"playing", "events", "select 1", "show 1"}));
        QVERIFY(!playback.Player.Running());
    }

    // The pause lasts its length and serves events meanwhile, but sleeps between them
    // instead of asking for events over and over.
    void aPauseSleepsAndServesEvents() {
        Playback playback(2);
        playback.Pause = 0.3;
        auto* dispatcher = QAbstractEventDispatcher::instance();
        int wakes = 0;
        int ticks = 0;
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [&] { ++wakes; });
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        playback.Player.Play(0, 1);
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(ticks >= 1);
        QVERIFY2(wakes < 50, qPrintable(QString::number(wakes)));
        disconnect(dispatcher, nullptr, this, nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_TrackPlayer)
#include "tst_TrackPlayer.moc"
