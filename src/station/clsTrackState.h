#pragma once

#include "shell/modKeys.h"

#include <QtGlobal>

// The main window's mode and what its controls show in it: which of them are enabled,
// the caption of the connect button and whether the map frame shows. The window reports
// what happened (the port opened, a fetch ended, ...) and shows the View afterwards; no
// other code of the window decides an enabled state.
//
// A fetch or a playback lets events run while it works, so the window stays live under
// it; nothing may replace the track then. A close asked meanwhile waits for the job.
class clsTrackState {
public:
    enum class Mode {
        Idle,     // the port closed, no job
        Live,     // the port open: fixes come in
        Retrying, // the port was lost and is tried again; the live track stays
        Fetching, // a history fetch reads the log
        Playing,  // a playback steps through the track
        Stopping, // a stopped playback finishes the pause of its last step
    };

    // Everything the window shows of the state; each flag is named after its control and
    // tells whether the control is enabled, fraMap whether the map frame shows,
    // lblWaitingFix whether the label over the map that waits for a fix shows and
    // receiverPanel whether the status bar follows the receiver (its port open or retried).
    struct View {
        bool cmdQuery = true;
        LanguageCode cmdQueryCaption = modKeys::Track::Connect;
        bool cmdCommport = true;
        bool cmdSetting = true;
        bool cmdPorts = true;
        bool chkReconnect = true;
        bool cmdGET = true;
        bool CmdPOI = true;
        bool Check1 = false;
        bool cmdPlay = false;
        bool cmdStopPlay = false;
        bool cmdExport = false;
        bool fraMap = false;
        bool lblWaitingFix = false;
        bool receiverPanel = false;
        // The speed chart and the day summary read the listed track: cmdChart's and
        // cmdDay's enabled states, whether cmdChart shows pressed (the chart chosen) and
        // whether the chart's pane shows.
        bool cmdChart = false;
        bool cmdDay = false;
        bool chartChosen = false;
        bool fraChart = false;
    };

    Mode CurrentMode() const { return m_mode; }
    // A fetch or a playback runs (Fetching, Playing or Stopping).
    bool JobRunning() const;
    // A close was asked while a job ran; the window closes once the job has ended.
    bool CloseAsked() const { return m_closeAsked; }

    // The port opened (from Idle): the live track starts empty, no fix seen yet.
    void Connected();
    // The port closed, by the operator or because the device went away (from Live or
    // Retrying), over a track of records fixes.
    void Disconnected(qsizetype records);
    // The port was lost, or a retry failed, and it is tried again (from Live or Retrying;
    // ignored otherwise, as a report that comes after the operator closed the port).
    void PortRetrying();
    // A retry opened the port again (from Retrying; ignored otherwise): the track goes on.
    void Reconnected();
    // The receiver reported its first fix since the port opened.
    void FixSeen();
    // The map frame shows from now on (connect pressed, a row put on the map).
    void MapWanted();
    // A fetch began (from Idle).
    void FetchStarted();
    // The fetch has ended with records fixes in the track (from Fetching).
    void FetchEnded(qsizetype records);
    // The playback shows itself playing (from Idle, or from Stopping when play is pressed
    // again during the last pause).
    void PlayStarted();
    // Stop was pressed or the last step was reached; the job ends after its pause (from
    // Playing).
    void PlayStopped();
    // The playback's job has returned (from Playing or Stopping).
    void PlayEnded();
    // A whole-track drawing runs until DrawingEnded; the drawings do not nest.
    void DrawingStarted() { m_drawing = true; }
    void DrawingEnded() { m_drawing = false; }
    // The operator opened or closed the speed chart; it shows while a track is listed.
    void ChartChosen(bool open) { m_chartChosen = open; }
    // The operator asked to close the window: true when it may close now. While a job
    // runs, false, and CloseAsked is true from now on.
    bool AskClose();

    View Current() const;

private:
    Mode m_mode = Mode::Idle;
    qsizetype m_records = 0;   // of the track, as of the last fetch or disconnect
    bool m_fetchFound = false; // the last fetch found records
    bool m_drawing = false;
    bool m_mapWanted = false;
    bool m_closeAsked = false;
    bool m_fixSeen = false;
    bool m_chartChosen = false;
};
