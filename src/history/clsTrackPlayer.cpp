#include "history/clsTrackPlayer.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QEventLoop>
#include <QTimer>

#include <climits>
#include <cmath>

clsTrackPlayer::clsTrackPlayer(const clsTrackRecords& records, Callbacks callbacks)
    : m_records(records), m_callbacks(std::move(callbacks)) {}

void clsTrackPlayer::Play(qsizetype selectedRow, double step) {
    if (m_running && (!m_playStop || m_aborted)) {
        return;
    }
    m_request = Request{selectedRow, step};
    m_callbacks.ShowPlaying(true);
    if (m_running) {
        return; // the playback in its last pause takes the request up when it ends
    }
    m_running = true;
    m_aborted = false;
    while (m_request && !m_aborted) {
        const Request request = *m_request;
        m_request.reset();
        m_playStop = false;
        PlaySteps(request);
    }
    m_running = false;
    if (!m_aborted) {
        Stop();
    }
}

void clsTrackPlayer::Stop() {
    m_playStop = true;
    m_request.reset();
    m_callbacks.ShowPlaying(false);
}

void clsTrackPlayer::Abort() {
    if (!m_running) {
        return;
    }
    m_aborted = true;
    m_playStop = true;
    m_request.reset();
    if (m_pause != nullptr) {
        m_pause->quit();
    }
}

void clsTrackPlayer::PlaySteps(const Request& request) {
    const double step = request.Step;
    const qsizetype count = m_records.Count();
    if (count == 0 || !(step >= 0)) {
        return;
    }
    const double last = static_cast<double>(count - 1);
    // A counting loop over a 64-bit float, so a fractional step shows some records twice.
    for (double i = request.SelectedRow < 0 ? 0.0 : static_cast<double>(request.SelectedRow) + 1;
         i <= last; i += step) {
        try {
            m_callbacks.LetEventsRun();
            if (m_aborted) {
                return;
            }
            const qsizetype index = static_cast<qsizetype>(modPrivate::RoundHalfEven(i));
            m_callbacks.SelectRow(index);
            m_callbacks.ShowRecord(index);
            Delay(m_callbacks.PauseSeconds());
            if (m_aborted) {
                return;
            }
            m_callbacks.FinishStep();
        } catch (const clsStationError& error) {
            m_request.reset();
            m_callbacks.ReportError(error.Message());
            return;
        }
        if (m_playStop) {
            return;
        }
    }
}

void clsTrackPlayer::Delay(double seconds) {
    if (!(seconds > 0) || m_aborted) {
        return;
    }
    // A timer runs on the monotonic clock: a pause across midnight, or across a change
    // of the computer's clock, lasts as long as any other, and the thread sleeps.
    const double milliseconds = std::ceil(seconds * 1000);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds < INT_MAX ? static_cast<int>(milliseconds) : INT_MAX);
    m_pause = &loop;
    loop.exec();
    m_pause = nullptr;
}
