// The history log as it lies on disk, damaged in any way: read line by line through
// buffers of any size, and fetched through the query's time window and speed range.

#include "FuzzSupport.h"

#include "history/clsHistoryFetch.h"
#include "history/clsHistoryQuery.h"
#include "history/clsHistoryReader.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsTrackRecords.h"

#include <QDir>

namespace {

QString Pick(FuzzedDataProvider& input, const QStringList& entries) {
    return entries[input.ConsumeIntegralInRange<qsizetype>(0, entries.size() - 1)];
}

// Every line through a buffer of bufferSize bytes; returns the number of lines.
qint64 ReadLines(const QString& path, qsizetype bufferSize) {
    clsHistoryReader reader(bufferSize);
    FUZZ_CHECK(reader.Open(path));
    qint64 lines = 0;
    QByteArrayView line;
    clsHistoryReader::Record record;
    while (reader.NextLine(line)) {
        FUZZ_CHECK(!line.contains('\r'));
        FUZZ_CHECK(line.size() <= bufferSize);
        FUZZ_CHECK(reader.BytesRead() <= reader.Size());
        const int taken = clsHistoryReader::Fill(line, record);
        FUZZ_CHECK(taken >= 0 && taken <= clsHistoryReader::AllFields);
        ++lines;
    }
    FUZZ_CHECK(!reader.Failed());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QString& folder = FuzzSupport::ProgramFolder();
    const QDate day(2024, 5, input.ConsumeIntegralInRange<int>(1, 31));
    const QString startHour = Pick(input, clsHistoryQuery::StartHours());
    const QString startMinute = Pick(input, clsHistoryQuery::Minutes());
    const QString endHour = Pick(input, clsHistoryQuery::EndHours());
    const QString endMinute = Pick(input, clsHistoryQuery::Minutes());
    const QString lowest = FuzzSupport::Latin1Text(input, 12);
    const QString highest = FuzzSupport::Latin1Text(input, 12);
    const auto bufferSize = input.ConsumeIntegralInRange<qsizetype>(1, 4096);
    const QByteArray log = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());

    const QString path = clsHistoryLog::PathForMonth(folder, day);
    QDir().mkpath(QFileInfo(path).absolutePath());
    FUZZ_CHECK(FuzzSupport::WriteFile(path, log));
    const qint64 lines = ReadLines(path, bufferSize);

    const clsHistoryQuery query(day, startHour, startMinute, endHour, endMinute, lowest, highest);
    clsHistoryFetch fetch(folder, query);
    clsTrackRecords records;
    qint64 lastRead = 0;
    fetch.Run(records, [&](qint64 bytesRead, qint64 fileSize) {
        FUZZ_CHECK(bytesRead >= lastRead && bytesRead <= fileSize);
        lastRead = bytesRead;
    });
    FUZZ_CHECK(records.Count() <= lines + 1);
    QFile::remove(path);
    return 0;
}
