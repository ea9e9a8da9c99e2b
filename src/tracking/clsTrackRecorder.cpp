#include "tracking/clsTrackRecorder.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/modNmeaDecoder.h"

#include <limits>
#include <memory>

namespace {

// One clock for the stamps and for the log's month, also when it keeps state of its own.
clsTrackRecorder::Clock SharedClock(clsTrackRecorder::Clock clock) {
    auto shared = std::make_shared<clsTrackRecorder::Clock>(std::move(clock));
    return [shared] { return (*shared)(); };
}

} // namespace

clsTrackRecorder::clsTrackRecorder(const QString& programFolder, Clock clock)
    : m_clock(SharedClock(std::move(clock))), m_historyLog(programFolder, m_clock) {}

void clsTrackRecorder::ResetForOpening() {
    m_trackRecords.Clear();
    m_currentFix.Latitude = 0;
    m_currentFix.Longitude = 0;
}

clsTrackRecorder::Result clsTrackRecorder::ProcessSentence(QStringView sentence) {
    return ProcessSentence(sentence, m_clock());
}

clsTrackRecorder::Result clsTrackRecorder::ProcessSentence(QStringView sentence,
                                                           const QDateTime& arrived) {
    Result result;
    if (!modNmeaDecoder::ChecksumAgrees(sentence)) {
        return result;
    }
    const double previousLongitude = m_currentFix.Longitude;
    const double previousLatitude = m_currentFix.Latitude;
    modNmeaDecoder::DecodeRmc(sentence).ApplyTo(m_currentFix);
    m_currentFix.FixTime = TimeText(arrived);
    if (m_historyEnabled) {
        try {
            m_historyLog.EnsureFolder();
        } catch (const clsStationError& error) {
            result.HistoryProblem = error.Message();
        }
    }
    if (m_currentFix.Longitude == previousLongitude && m_currentFix.Latitude == previousLatitude) {
        return result;
    }
    // A record that cannot be logged is still listed and drawn; the caller tells why.
    if (m_historyEnabled) {
        try {
            m_historyLog.Append(m_currentFix);
            result.HistoryProblem = m_historyLog.TakeFlushProblem();
        } catch (const clsStationError& error) {
            result.HistoryProblem = error.Message();
        }
    }
    result.Recorded = true;
    m_trackRecords.Append(m_currentFix);
    return result;
}

// Receivers send one sentence a second or more, so the text of a second is made once.
const QString& clsTrackRecorder::TimeText(const QDateTime& when) {
    constexpr qint64 NoSecond = std::numeric_limits<qint64>::min();
    const qint64 second = when.isValid() ? when.date().toJulianDay() * 86400 +
                                               when.time().msecsSinceStartOfDay() / 1000
                                         : NoSecond;
    if (second != m_timeTextSecond || second == NoSecond) {
        m_timeText = modPrivate::FormatLogTime(when);
        m_timeTextSecond = second;
    }
    return m_timeText;
}
