#pragma once

#include "tracking/clsTrackRecords.h"

#include <QString>
#include <functional>
#include <optional>

class QEventLoop;

// Plays a listed track back on the map: from the record after the selected row it
// shows one record per step, advancing by a step that may be a fraction, and pauses
// between steps while events go on being served. The window supplies what a step does.
class clsTrackPlayer {
public:
    struct Callbacks {
        std::function<void()> LetEventsRun;
        // Selects the list row (from 0) and scrolls it into view.
        std::function<void(qsizetype row)> SelectRow;
        // Puts the record (from 0) on the map, with the whole track when the window's
        // whole-track option asks for it.
        std::function<void(qsizetype index)> ShowRecord;
        // After the pause: completes the step before the next one begins (the window
        // waits there until the map shows the step's drawing).
        std::function<void()> FinishStep;
        // The pause after each step, in seconds.
        std::function<double()> PauseSeconds;
        // The play, stop and export buttons: playing or stopped.
        std::function<void(bool playing)> ShowPlaying;
        // A step failed; the message is shown as a failed map drawing is.
        std::function<void(const QString& message)> ReportError;
    };

    // records must not change while a playback runs.
    clsTrackPlayer(const clsTrackRecords& records, Callbacks callbacks);

    // Plays from the record after selectedRow (-1: none is selected, start from the
    // first), advancing by step records, until the last record is passed or Stop. A
    // negative step plays nothing. Returns when the playback has ended; pressed again
    // after Stop while the last pause still runs, it starts anew once that pause is over
    // instead of inside the running playback.
    void Play(qsizetype selectedRow, double step);
    // Ends the playback after the pause of the current step; the buttons show the
    // stopped state at once.
    void Stop();
    // Ends the playback now, in the middle of a pause, without another step or button
    // change: for a window that is closing.
    void Abort();
    bool Running() const { return m_running; }

private:
    struct Request {
        qsizetype SelectedRow;
        double Step;
    };

    void PlaySteps(const Request& request);
    void Delay(double seconds);

    const clsTrackRecords& m_records;
    Callbacks m_callbacks;
    std::optional<Request> m_request;
    QEventLoop* m_pause = nullptr;
    bool m_running = false;
    bool m_playStop = true;
    bool m_aborted = false;
};
