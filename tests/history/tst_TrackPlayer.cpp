// Playing a track back: which records are shown in which order, the button states,
// stopping, and the pause between steps.

#include "history/clsTrackPlayer.h"
#include "shell/clsStationError.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QtTest>

namespace {

// What the window does when a record is shown.
enum class OnShow { Nothing, Stop, StopAtOneAndPlayFromThree, ThrowAtTwo, Abort };

// A player over count records whose window records what the player asks of it.
struct Playback {
    clsTrackRecords Records;
    QStringList Calls;
    double Pause = 0;
    OnShow Action = OnShow::Nothing;
    clsTrackPlayer Player;

    explicit Playback(int count)
        : Player(Records, {[this] { Calls << "events"; },
                           [this](qsizetype row) { Calls << QString("select %1").arg(row); },
                           [this](qsizetype index) { Show(index); }, [this] { Calls << "track"; },
                           [this] { return Pause; },
                           [this](bool playing) { Calls << (playing ? "playing" : "stopped"); },
                           [this](const QString& message) { Calls << "error " + message; }}) {
        for (int i = 0; i < count; ++i) {
            Records.Append({});
        }
    }

    void Show(qsizetype index) {
        Calls << QString("show %1").arg(index);
        switch (Action) {
        case OnShow::Nothing:
            break;
        case OnShow::Stop:
            QTimer::singleShot(10, [this] { Player.Stop(); });
            break;
        case OnShow::StopAtOneAndPlayFromThree:
            if (index == 1) {
                QTimer::singleShot(10, [this] {
                    Player.Stop();
                    Player.Play(3, 1);
                    Calls << "pressed";
                });
            }
            break;
        case OnShow::ThrowAtTwo:
            if (index == 2) {
                throw clsStationError("map page cannot be written");
            }
            break;
        case OnShow::Abort:
            QTimer::singleShot(0, [this] { Player.Abort(); });
            break;
        }
    }
};

// The calls of whole steps that show the records.
QString Steps(const QList<int>& shown) {
    QStringList calls;
    for (const int index : shown) {
        calls << QString("events, select %1, show %1, track").arg(index);
    }
    return calls.join(", ");
}

// A playback from start to end.
QString Played(const QList<int>& shown) {
    return QStringList({"playing", Steps(shown), "stopped"}).join(", ").replace(", , ", ", ");
}

struct Scene {
    int Count;
    qsizetype SelectedRow;
    double Step;
    QString Calls; // joined by ", "
    double Pause = 0;
    OnShow Action = OnShow::Nothing;
};

} // namespace

Q_DECLARE_METATYPE(Scene)

class tst_TrackPlayer : public QObject {
    Q_OBJECT

private slots:
    void plays_data() {
        QTest::addColumn<Scene>("scene");
        const auto row = [](const char* name, const Scene& scene) { QTest::newRow(name) << scene; };
        row("step 1 after the first row", {5, 0, 1, Played({1, 2, 3, 4})});
        row("step 3", {10, 0, 3, Played({1, 4, 7})});
        row("no row selected", {3, -1, 1, Played({0, 1, 2})});
        row("last row selected", {4, 3, 1, Played({})});
        row("half steps round to even", {4, -1, 0.5, Played({0, 0, 1, 2, 2, 2, 3})});
        row("negative step from the last row", {4, 3, -1, Played({})});
        row("negative step from the second to last row", {4, 2, -1, Played({})});
        row("no records", {0, -1, 1, Played({})});
        // Stop shows the stopped buttons at once; the step in its pause still ends with
        // its whole-track drawing, and no further step follows.
        row("stop during a pause",
            {5, 0, 1, "playing, events, select 1, show 1, stopped, track, stopped", 0.2,
             OnShow::Stop});
        // Play pressed again while the stopped playback still pauses starts a new playback
        // from the row selected then, once the pause is over, not one inside the other.
        row("play again during the last pause",
            {6, 0, 1,
             "playing, events, select 1, show 1, stopped, playing, pressed, track, " +
                 Steps({4, 5}) + ", stopped",
             0.1, OnShow::StopAtOneAndPlayFromThree});
        row("an error in a step is reported and stops",
            {5, 0, 1,
             "playing, " + Steps({1}) +
                 ", events, select 2, show 2, error map page cannot be written, stopped",
             0, OnShow::ThrowAtTwo});
        row("abort ends a pause of a minute at once",
            {5, 0, 1, "playing, events, select 1, show 1", 60, OnShow::Abort});
    }

    void plays() {
        QFETCH(Scene, scene);
        Playback playback(scene.Count);
        playback.Pause = scene.Pause;
        playback.Action = scene.Action;
        playback.Player.Play(scene.SelectedRow, scene.Step);
        QCOMPARE(playback.Calls.join(", "), scene.Calls);
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
