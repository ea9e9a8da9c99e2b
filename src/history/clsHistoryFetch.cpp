#include "history/clsHistoryFetch.h"

#include "history/clsHistoryReader.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsHistoryLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <vector>

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

// Lines whose time lies outside the window are left out whatever else they hold, but
// they still fill the element that the next line fills in turn, and a field of that
// line that cannot be converted keeps what they left. A month holds a million of them,
// so they are put aside unread, and only when a line inside the window comes (or the
// buffer that holds them is refilled) are the last of them read into the element: from
// the newest back to the first that together fill every field, which is one line but
// where a line is damaged.
void Catch(std::vector<QByteArrayView>& putAside, clsHistoryReader::Record& element) {
    auto from = putAside.end();
    clsHistoryReader::Record scratch;
    for (int missing = clsHistoryReader::AllFields; missing != 0 && from != putAside.begin();) {
        --from;
        missing &= ~clsHistoryReader::Fill(*from, scratch);
    }
    for (; from != putAside.end(); ++from) {
        clsHistoryReader::Fill(*from, element);
    }
    putAside.clear();
}

} // namespace

clsHistoryFetch::clsHistoryFetch(const QString& programFolder, const clsHistoryQuery& query)
    : m_programFolder(programFolder), m_query(query) {}

void clsHistoryFetch::Run(clsTrackRecords& records, const SliceDone& afterSlice,
                          int sliceMilliseconds) {
    m_fetchContinue = true;
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
    // The element that the next line fills: empty after a kept record, otherwise holding
    // what the lines left out since then put into it.
    clsHistoryReader::Record element;
    std::vector<QByteArrayView> putAside;
    bool more = true;
    QElapsedTimer slice;
    while (more) {
        slice.start();
        for (int lines = 1; more; ++lines) {
            QByteArrayView line;
            if (!reader.NextBufferedLine(line)) {
                Catch(putAside, element);
                more = reader.Refill();
                continue;
            }
            if (line.isEmpty()) {
                continue;
            }
            const std::string_view time = LeadingLogTime(line);
            if (!time.empty() && m_query.IsOutsideWindow(time)) {
                putAside.push_back(line);
            } else {
                Catch(putAside, element);
                if (clsHistoryReader::Fill(line, element) != 0 && m_query.Keeps(element)) {
                    records.Append(element.ToFix());
                    element = {};
                }
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
