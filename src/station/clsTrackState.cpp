#include "station/clsTrackState.h"

bool clsTrackState::JobRunning() const {
    return m_mode == Mode::Fetching || m_mode == Mode::Playing || m_mode == Mode::Stopping;
}

void clsTrackState::Connected() {
    m_mode = Mode::Live;
    m_records = 0;
    m_fixSeen = false;
}

void clsTrackState::Disconnected(qsizetype records) {
    m_mode = Mode::Idle;
    m_records = records;
}

void clsTrackState::PortRetrying() {
    if (m_mode == Mode::Live || m_mode == Mode::Retrying) {
        m_mode = Mode::Retrying;
    }
}

void clsTrackState::Reconnected() {
    if (m_mode == Mode::Retrying) {
        m_mode = Mode::Live;
    }
}

void clsTrackState::FixSeen() {
    m_fixSeen = true;
}

void clsTrackState::MapWanted() {
    m_mapWanted = true;
}

void clsTrackState::FetchStarted() {
    m_mode = Mode::Fetching;
}

void clsTrackState::FetchEnded(qsizetype records) {
    m_mode = Mode::Idle;
    m_records = records;
    m_fetchFound = records > 0;
    m_mapWanted = m_fetchFound;
}

void clsTrackState::PlayStarted() {
    m_mode = Mode::Playing;
}

void clsTrackState::PlayStopped() {
    m_mode = Mode::Stopping;
}

void clsTrackState::PlayEnded() {
    m_mode = Mode::Idle;
}

bool clsTrackState::AskClose() {
    if (!JobRunning()) {
        return true;
    }
    m_closeAsked = true;
    return false;
}

clsTrackState::View clsTrackState::Current() const {
    // A port tried again is still the operator's open port: the same controls wait.
    const bool live = m_mode == Mode::Live || m_mode == Mode::Retrying;
    const bool fetching = m_mode == Mode::Fetching;
    const bool playing = m_mode == Mode::Playing;
    View v;
    v.cmdQuery = !JobRunning();
    v.cmdQueryCaption = live ? modKeys::Track::Disconnect : modKeys::Track::Connect;
    v.cmdCommport = v.cmdSetting = v.cmdPorts = v.CmdPOI = !live;
    v.chkReconnect = !JobRunning();
    v.cmdGET = !live && !JobRunning();
    // The whole-track option needs recorded fixes, which opening the port empties.
    v.Check1 = !live && !fetching && !m_drawing && m_records > 0;
    // Export and play offer the track of a fetch that found records, also after a live
    // session over it; play waits while fixes come in.
    v.cmdExport = m_fetchFound && !fetching && !playing;
    v.cmdPlay = v.cmdExport && !live;
    v.cmdStopPlay = playing;
    v.fraMap = m_mapWanted;
    v.lblWaitingFix = live && !m_fixSeen;
    v.receiverPanel = live;
    // A listed track: fetched or recorded, not growing or being replaced. The summary is a
    // dialog of its own, which waits until a playback is over.
    const bool listed = !live && !fetching && m_records > 0;
    v.cmdChart = listed;
    v.cmdDay = listed && !JobRunning();
    v.chartChosen = m_chartChosen;
    v.fraChart = m_chartChosen && listed;
    return v;
}
