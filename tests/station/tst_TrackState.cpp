// The main window's state without widgets: from the designed start, a run of events, then
// what every control shows. Each row names the rule of the window it comes from.

#include "shell/clsWarnOnce.h"
#include "station/clsTrackState.h"

#include <QtTest>

namespace {

// Applies events separated by blanks: "map", "connect", "disconnect:N" (N fixes in the
// track), "retry" (the port lost and tried again), "reconnected", "fix", "fetch",
// "fetched:N", "play", "stop", "ended", "draw", "drawn", "chart" and "nochart" (the speed
// chart opened and closed), "close". The answers of "close"
// are collected in closes.
void Apply(clsTrackState& state, const QString& events, QStringList& closes) {
    for (const QString& event : events.split(' ', Qt::SkipEmptyParts)) {
        const QString name = event.section(':', 0, 0);
        const qsizetype records = event.section(':', 1).toLongLong();
        if (name == "map") {
            state.MapWanted();
        } else if (name == "connect") {
            state.Connected();
        } else if (name == "disconnect") {
            state.Disconnected(records);
        } else if (name == "retry") {
            state.PortRetrying();
        } else if (name == "reconnected") {
            state.Reconnected();
        } else if (name == "fix") {
            state.FixSeen();
        } else if (name == "fetch") {
            state.FetchStarted();
        } else if (name == "fetched") {
            state.FetchEnded(records);
        } else if (name == "play") {
            state.PlayStarted();
        } else if (name == "stop") {
            state.PlayStopped();
        } else if (name == "ended") {
            state.PlayEnded();
        } else if (name == "draw") {
            state.DrawingStarted();
        } else if (name == "drawn") {
            state.DrawingEnded();
        } else if (name == "chart") {
            state.ChartChosen(true);
        } else if (name == "nochart") {
            state.ChartChosen(false);
        } else if (name == "close") {
            closes << (state.AskClose() ? "closes" : "waits");
        } else {
            QFAIL(qPrintable("unknown event " + event));
        }
    }
}

// The enabled controls in a fixed order, the connect button's caption code, "map" when the
// map frame shows, the mode, "waiting" while the label waits for a fix, "panel" while the
// status bar follows the receiver, and "close asked" while a close waits for the job.
QString Shown(const clsTrackState& state) {
    const clsTrackState::View v = state.Current();
    const std::pair<const char*, bool> controls[] = {{"cmdQuery", v.cmdQuery},
                                                     {"cmdCommport", v.cmdCommport},
                                                     {"cmdSetting", v.cmdSetting},
                                                     {"cmdPorts", v.cmdPorts},
                                                     {"chkReconnect", v.chkReconnect},
                                                     {"cmdGET", v.cmdGET},
                                                     {"CmdPOI", v.CmdPOI},
                                                     {"Check1", v.Check1},
                                                     {"cmdPlay", v.cmdPlay},
                                                     {"cmdStopPlay", v.cmdStopPlay},
                                                     {"cmdExport", v.cmdExport}};
    QStringList shown;
    for (const auto& [name, enabled] : controls) {
        if (enabled) {
            shown << name;
        }
    }
    static const char* const modes[] = {"Idle",     "Live",    "Retrying",
                                        "Fetching", "Playing", "Stopping"};
    shown << "|" << QString(v.cmdQueryCaption.Code) << (v.fraMap ? "map" : "-")
          << modes[static_cast<int>(state.CurrentMode())];
    if (v.lblWaitingFix) {
        shown << "waiting";
    }
    if (v.receiverPanel) {
        shown << "panel";
    }
    if (state.CloseAsked()) {
        shown << "close asked";
    }
    return shown.join(' ');
}

const QString Start = "cmdQuery cmdCommport cmdSetting cmdPorts chkReconnect cmdGET CmdPOI";
// While the port is open or tried again only these are offered.
const QString Open = "cmdQuery chkReconnect";
const QString Found = Start + " Check1 cmdPlay cmdExport";

} // namespace

class tst_TrackState : public QObject {
    Q_OBJECT

private slots:
    void view_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("closes"); // the answers to the close requests
        const auto row = [](const char* name, const char* events, const QString& shown,
                            const char* closes = "") {
            QTest::newRow(name) << events << shown << closes;
        };
        // Designed start: play, stop, export and the whole-track option disabled; fetch,
        // POI and connect enabled; the map frame hidden until the port opens or a track is
        // fetched.
        row("designed start", "", Start + " | 0003 - Idle");
        // Connect makes the map frame visible first, also when opening then fails.
        row("connect pressed, opening failed", "map", Start + " | 0003 map Idle");
        // The port opened: caption "0004"; the lists, the ports dialog, fetch, POI and the
        // whole-track option disabled; play waits while fixes come in. The label over the
        // map waits for the first fix, the status bar follows the receiver.
        row("port opened", "map connect", Open + " | 0004 map Live waiting panel");
        row("first fix", "map connect fix", Open + " | 0004 map Live panel");
        row("fix forgotten at the next opening", "map connect fix disconnect:1 connect",
            Open + " | 0004 map Live waiting panel");
        // A lost port tried again stays the operator's open port: the same controls wait,
        // the caption stays "0004", the track and a fix seen before the loss stay.
        row("port lost, tried again", "map connect retry",
            Open + " | 0004 map Retrying waiting panel");
        row("retry failed, tried again", "map connect fix retry retry",
            Open + " | 0004 map Retrying panel");
        row("reconnected", "map connect retry reconnected",
            Open + " | 0004 map Live waiting panel");
        row("retries stopped by disconnect", "map connect retry disconnect:2",
            Start + " Check1 | 0003 map Idle");
        row("retrying over a fetched track", "fetch fetched:3 map connect retry",
            Open + " cmdExport | 0004 map Retrying waiting panel");
        // Reports that come after the operator closed the port change nothing.
        row("retry reported after closing", "map connect disconnect:0 retry",
            Start + " | 0003 map Idle");
        row("reconnect reported after closing", "map connect disconnect:0 reconnected",
            Start + " | 0003 map Idle");
        row("reconnect reported while live", "map connect fix reconnected",
            Open + " | 0004 map Live panel");
        // The port closed, by the operator or because the device went away: caption
        // "0003"; lists, fetch and POI enabled; the whole-track option only with a
        // recorded fix.
        row("closed without a fix", "map connect disconnect:0", Start + " | 0003 map Idle");
        row("closed with fixes", "map connect disconnect:2", Start + " Check1 | 0003 map Idle");
        // While a fetch runs nothing may replace the track: connect and another fetch
        // wait, export, play and the whole-track option are off.
        row("fetching", "fetch", "cmdCommport cmdSetting cmdPorts CmdPOI | 0003 - Fetching");
        // After a fetch with records: export, play and the whole-track option enabled, stop
        // disabled, the map frame visible.
        row("fetch with records", "fetch fetched:3", Found + " | 0003 map Idle");
        // After a fetch without records: those disabled and the map frame hidden, also
        // when an earlier fetch had shown it.
        row("fetch without records", "fetch fetched:0", Start + " | 0003 - Idle");
        row("empty fetch after a full one", "fetch fetched:3 fetch fetched:0",
            Start + " | 0003 - Idle");
        // A fetch stopped half-way counts what it gathered.
        row("stopped fetch with records", "map fetch fetched:1", Found + " | 0003 map Idle");
        // Opening the port after a fetch: export stays offered, play is refused while
        // connected; closing again offers play as export is.
        row("connected over a fetched track", "fetch fetched:3 map connect",
            Open + " cmdExport | 0004 map Live waiting panel");
        row("closed over a fetched track", "fetch fetched:3 map connect disconnect:0",
            Start + " cmdPlay cmdExport | 0003 map Idle");
        // Playing: play and export disabled, stop enabled; connect and fetch wait for the
        // playback.
        row("playing", "fetch fetched:3 play",
            "cmdCommport cmdSetting cmdPorts CmdPOI Check1 cmdStopPlay | 0003 map Playing");
        // Stop shows the stopped buttons at once; connect and fetch wait until the last
        // pause is over.
        row("stopped in the last pause", "fetch fetched:3 play stop",
            "cmdCommport cmdSetting cmdPorts CmdPOI Check1 cmdPlay cmdExport | 0003 map "
            "Stopping");
        // Play pressed again in that pause takes the new start up.
        row("played again in the last pause", "fetch fetched:3 play stop play",
            "cmdCommport cmdSetting cmdPorts CmdPOI Check1 cmdStopPlay | 0003 map Playing");
        // The playback's end runs stop, then the job returns.
        row("playback ended", "fetch fetched:3 play stop ended", Found + " | 0003 map Idle");
        // While the whole track is drawn its option cannot be clicked; afterwards it is
        // as before.
        row("whole track drawing", "fetch fetched:3 draw",
            Start + " cmdPlay cmdExport | 0003 map Idle");
        row("whole track drawn", "fetch fetched:3 draw drawn", Found + " | 0003 map Idle");
        row("drawn while the option is off", "draw drawn", Start + " | 0003 - Idle");
        // Putting a row on the map shows the map frame, also over an empty list.
        row("row shown", "fetch fetched:0 map", Start + " | 0003 map Idle");
        // Closing without a job closes at once; during a job it waits for the job, which
        // ends the same way, and the window then closes.
        row("closed when idle", "close", Start + " | 0003 - Idle", "closes");
        row("closed while fetching", "fetch close",
            "cmdCommport cmdSetting cmdPorts CmdPOI | 0003 - Fetching close asked", "waits");
        row("closed while playing", "fetch fetched:3 play close ended close",
            Found + " | 0003 map Idle close asked", "waits closes");
    }

    void view() {
        QFETCH(QString, events);
        QFETCH(QString, shown);
        QFETCH(QString, closes);
        clsTrackState state;
        QStringList answers;
        Apply(state, events, answers);
        QCOMPARE(Shown(state), shown);
        QCOMPARE(answers.join(' '), closes);
    }

    // The speed chart and the day summary: cmdChart, cmdDay, "pressed" while the chart is
    // chosen and "pane" while its pane shows.
    void chartAndDay_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("shown");
        QTest::newRow("designed start") << ""
                                        << "";
        QTest::newRow("chosen without a track") << "chart"
                                                << "pressed";
        QTest::newRow("fetched nothing") << "fetch fetched:0 chart"
                                         << "pressed";
        QTest::newRow("fetched") << "fetch fetched:5"
                                 << "cmdChart cmdDay";
        QTest::newRow("fetched, chart opened") << "fetch fetched:5 chart"
                                               << "cmdChart cmdDay pressed pane";
        QTest::newRow("chart closed again") << "fetch fetched:5 chart nochart"
                                            << "cmdChart cmdDay";
        // The pane goes while the track is replaced or grows, and comes back after.
        QTest::newRow("fetching again") << "fetch fetched:5 chart fetch"
                                        << "pressed";
        QTest::newRow("fetched again") << "fetch fetched:5 chart fetch fetched:7"
                                       << "cmdChart cmdDay pressed pane";
        QTest::newRow("live") << "fetch fetched:5 chart connect"
                              << "pressed";
        QTest::newRow("live track listed after closing")
            << "fetch fetched:5 chart connect disconnect:3"
            << "cmdChart cmdDay pressed pane";
        // The chart follows the playback; the summary waits until it is over.
        QTest::newRow("playing") << "fetch fetched:5 chart play"
                                 << "cmdChart pressed pane";
        QTest::newRow("stopping") << "fetch fetched:5 chart play stop"
                                  << "cmdChart pressed pane";
        QTest::newRow("played") << "fetch fetched:5 chart play stop ended"
                                << "cmdChart cmdDay pressed pane";
    }

    void chartAndDay() {
        QFETCH(QString, events);
        QFETCH(QString, shown);
        clsTrackState state;
        QStringList answers;
        Apply(state, events, answers);
        const clsTrackState::View v = state.Current();
        QStringList seen;
        for (const auto& [name, on] :
             {std::pair{"cmdChart", v.cmdChart}, std::pair{"cmdDay", v.cmdDay},
              std::pair{"pressed", v.chartChosen}, std::pair{"pane", v.fraChart}}) {
            if (on) {
                seen << name;
            }
        }
        QCOMPARE(seen.join(' '), shown);
    }

    // The window's warnings: shown once until what they warn of works again; a warning
    // with another key shows at once.
    void warnOnce_data() {
        QTest::addColumn<QString>("steps"); // a key to warn with, or "ok" for Clear
        QTest::addColumn<QString>("shown"); // 1: Warn/Clear returned true
        QTest::newRow("once") << "a a a"
                              << "1 0 0";
        QTest::newRow("again after it worked") << "a ok a ok ok"
                                               << "1 1 1 1 0";
        QTest::newRow("another key at once") << "a b b a"
                                             << "1 1 0 1";
        QTest::newRow("worked without a warning") << "ok a"
                                                  << "0 1";
        QTest::newRow("an empty key is a key") << " a"
                                               << "1 1";
    }

    void warnOnce() {
        QFETCH(QString, steps);
        QFETCH(QString, shown);
        clsWarnOnce warning;
        QStringList seen;
        for (const QString& step : steps.split(' ')) {
            seen << QString::number(step == "ok" ? warning.Clear() : warning.Warn(step));
        }
        QCOMPARE(seen.join(' '), shown);
    }
};

QTEST_GUILESS_MAIN(tst_TrackState)
#include "tst_TrackState.moc"
