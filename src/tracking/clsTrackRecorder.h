#pragma once

#include "tracking/PositionFix.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsTrackRecords.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>
#include <limits>

// Takes every $GPRMC sentence (decoded by modNmeaDecoder) into the current fix and,
// whenever the position moves, records the fix: it becomes the next element of the track and a record of the
// monthly history log.
class clsTrackRecorder {
public:
    using Clock = clsHistoryLog::Clock;

    // What one sentence did.
    struct Result {
        bool Recorded = false;  // the position moved: the fix is the track's last element
        QString HistoryProblem; // why the folder check, the log write or an earlier
                                // record's flush to the disk failed, or empty
    };

    // clock gives the local time that stamps every fix and names the log's month.
    explicit clsTrackRecorder(const QString& programFolder,
                              Clock clock = clsHistoryLog::SystemClock);

    // The state of a freshly opened port: an empty track, and a current position of
    // 0, 0 so that the first sentence is recorded unless it decodes to 0, 0.
    void ResetForOpening();
    // Whether recorded fixes go to the history log (on by default).
    void SetHistoryEnabled(bool enabled) { m_historyEnabled = enabled; }

    // Decodes one sentence. A field that is missing or not a number leaves the value it
    // would set as it was; a sentence whose checksum is present and wrong changes
    // nothing.
    Result ProcessSentence(QStringView sentence);
    // The same for a sentence that arrived at arrived (local time), which stamps the fix.
    Result ProcessSentence(QStringView sentence, const QDateTime& arrived);

    const PositionFix& CurrentFix() const { return m_currentFix; }
    void SetCurrentFix(const PositionFix& fix) { m_currentFix = fix; }
    // The recorded fixes; a history fetch replaces them.
    const clsTrackRecords& TrackRecords() const { return m_trackRecords; }
    clsTrackRecords& TrackRecords() { return m_trackRecords; }
    qsizetype RecordCount() const { return m_trackRecords.Count(); }
    const clsHistoryLog& HistoryLog() const { return m_historyLog; }

private:
    const QString& TimeText(const QDateTime& when);

    Clock m_clock;
    clsHistoryLog m_historyLog;
    bool m_historyEnabled = true;
    PositionFix m_currentFix;
    clsTrackRecords m_trackRecords;
    qint64 m_timeTextSecond = std::numeric_limits<qint64>::min();
    QString m_timeText;
};
