#pragma once

#include "shell/modKeys.h"
#include "tracking/PositionFix.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class clsDiskFlusher;

// The monthly history log "export/History-yyyy-mm.log" beneath the program folder: one
// record per recorded fix, eight fields joined by "|", each record ending CR, CR LF.
// Every record is in the file (the system's cache) before Append returns, so that it
// outlives the process; its flush to the disk follows on a thread of its own, and so does
// the flush of the folder that a new month's log was made in. The file always ends with
// whole records: a failed append takes back what it wrote.
class clsHistoryLog {
public:
    using Clock = std::function<QDateTime()>;

    // The present local time to the whole second. Asking the platform for the local
    // time consults the time zone files on every call, which would cost more than
    // decoding a sentence, so the answer is kept for the rest of its second.
    static QDateTime SystemClock();
    // A clock that several readers may copy and still read as one, also when it keeps state
    // of its own (a test's clock that steps).
    static Clock SharedClock(Clock clock);

    // clock gives the moment of writing, whose month names the file.
    explicit clsHistoryLog(const QString& programFolder, Clock clock = SystemClock);

    // The log of the month of day; "export" and the file name are matched without
    // regard to case.
    static QString PathForMonth(const QString& programFolder, const QDate& day);
    // A record exactly as it stands in the file, ending with the bytes 13, 13, 10.
    static QByteArray RecordText(const PositionFix& fix);

    // Creates the "export" folder when it is missing. Throws clsStationError when it
    // cannot.
    void EnsureFolder() const;
    // Appends one record to the log of the present month. Throws clsStationError with
    // the reason when the record could not be written, and the file is as it was. A
    // torn last line that no record ended is cut off first.
    void Append(const PositionFix& fix) const;
    // Why a flush to the disk failed since the last call, for the operator; empty when
    // none failed.
    QString TakeFlushProblem() const;
    // Returns once every record appended so far is flushed to the disk.
    void WaitUntilFlushed() const;

private:
    [[noreturn]] void Fail(const LanguageCode& message, const QString& path,
                           const QString& reason = {}) const;

    QString m_programFolder;
    Clock m_clock;
    std::shared_ptr<clsDiskFlusher> m_flusher; // shared by the copies of this log
};
