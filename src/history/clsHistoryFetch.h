#pragma once

#include "history/clsHistoryQuery.h"
#include "tracking/clsTrackRecords.h"

#include <QString>
#include <functional>

// Reads one day's track from the history log of its month: every record in the
// query's time window and speed range, in the order of the log. It reads in short time
// slices so that the window can list the new records, show how far it has come and
// let events run in between, which is also where a stop button is pressed.
class clsHistoryFetch {
public:
    // Called after every slice with how far the log has been read.
    using SliceDone = std::function<void(qint64 bytesRead, qint64 fileSize)>;

    static constexpr int DefaultSliceMilliseconds = 8;

    clsHistoryFetch(const QString& programFolder, const clsHistoryQuery& query);

    // Empties records and appends every kept record to them. A line of the log is a record
    // when its first eight fields can all be read (time, text, longitude, text, latitude,
    // text, speed, course); any other line that is not empty is damaged and skipped. Ends
    // at the end of the log, or after the slice in which Stop was called; what was
    // gathered stays. A stop asked before Run does not count: Run starts with
    // FetchContinue set. A month without a log gives no records. Throws clsStationError
    // when the log exists but cannot be read; the records read before stay.
    void Run(clsTrackRecords& records, const SliceDone& afterSlice,
             int sliceMilliseconds = DefaultSliceMilliseconds);
    // Asks the running fetch to end after its current slice (from afterSlice, or from an
    // event that a slice lets run).
    void Stop() { m_fetchContinue = false; }
    bool FetchContinue() const { return m_fetchContinue; }
    // The damaged lines that the last Run skipped which may belong to the chosen day:
    // those whose time cannot be read or lies in the time window.
    qsizetype DamagedLines() const { return m_damagedLines; }

private:
    QString m_programFolder;
    clsHistoryQuery m_query;
    bool m_fetchContinue = false;
    qsizetype m_damagedLines = 0;
};
