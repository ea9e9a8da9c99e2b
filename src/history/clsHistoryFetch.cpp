#include "history/clsHistoryFetch.h"

#include "history/clsHistoryReader.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsHistoryLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

// Asking the clock costs more than reading a line, so it is asked every so many lines.
constexpr int LinesPerClockCheck = 256;

constexpr qsizetype TimeLength = 19;

// The time of a line when it starts with one as the station writes it.
std::string_view LeadingLogTime(QByteArrayView line) {
    if (line.size() <= TimeLength || line[TimeLength] != '|' ||
        !clsHistoryReader::IsLogTime(line.first(TimeLength))) {
        return {};
    }
    return {line.data(), static_cast<std::size_t>(TimeLength)};
}

} // namespace

clsHistoryFetch::clsHistoryFetch(const QString& programFolder, const clsHistoryQuery& query)
    : m_programFolder(programFolder), m_query(query) {}

void clsHistoryFetch::Run(clsTrackRecords& records, const SliceDone& afterSlice,
                          int sliceMilliseconds) {
    m_fetchContinue = true;
    m_damagedLines = 0;
    records.Clear();
    const QString path = clsHistoryLog::PathForMonth(m_programFolder, m_query.Day());
    if (!QFileInfo::exists(path)) {
        return;
    }
    clsHistoryReader reader;
    auto fail = [&] {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::HistoryUnreadable)
                .arg(QDir::toNativeSeparators(path), reader.ErrorText()));
    };
    if (!reader.Open(path)) {
        fail();
    }
    // A line too long to be a record is damaged, and counted by the time it starts with.
    const auto countCut = [&](QByteArrayView head) {
        const std::string_view time = LeadingLogTime(head);
        if (time.empty() || !m_query.IsOutsideWindow(time)) {
            ++m_damagedLines;
        }
    };
    // Every member of a record is filled from its own line: a line that cannot fill them
    // all is damaged, never a record, so nothing of it or of the lines before it can
    // reach the next one.
    clsHistoryReader::Record record;
    qsizetype cutLines = 0;
    bool more = true;
    QElapsedTimer slice;
    while (more) {
        slice.start();
        for (int lines = 1; more; ++lines) {
            QByteArrayView line;
            const bool found = reader.NextBufferedLine(line);
            // A line too long for the reader is skipped by it; at most one ends per call.
            if (reader.CutLines() != cutLines) {
                cutLines = reader.CutLines();
                countCut(reader.LastCutHead());
            }
            if (!found) {
                more = reader.Refill();
                continue;
            }
            if (line.isEmpty()) {
                continue;
            }
            // A month holds a million lines outside the window: they are left unread.
            const std::string_view time = LeadingLogTime(line);
            if (!time.empty() && m_query.IsOutsideWindow(time)) {
                continue;
            }
            const int filled = clsHistoryReader::Fill(line, record);
            if (filled == clsHistoryReader::AllFields) {
                if (m_query.Keeps(record)) {
                    records.Append(record.ToFix());
                }
            } else if ((filled & 1) == 0 || !m_query.IsOutsideWindow(record.FixTime)) {
                // Counted when it may belong to the chosen day: its time is unreadable or
                // lies in the window.
                ++m_damagedLines;
            }
            if (lines % LinesPerClockCheck == 0 && slice.elapsed() >= sliceMilliseconds) {
                break;
            }
        }
        if (reader.Failed()) {
            fail();
        }
        afterSlice(reader.BytesRead(), reader.Size());
        if (!m_fetchContinue) {
            break;
        }
    }
}
