// Tracks of fixes of any values: kept in the track (every value comes back as it went
// in), written to the history log and read back by its reader, and exported in every
// format (the GPX file is well-formed XML with one track point per fix).

#include "FuzzFixes.h"

#include "history/clsHistoryReader.h"
#include "history/clsTrackExport.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsTrackRecords.h"

#include <QXmlStreamReader>

namespace {

// A text field as the log keeps it: UTF-8 without "|" and line ends.
QString Kept(const QString& text) {
    return QString::fromUtf8(text.toUtf8().replace('|', "").replace('\r', "").replace('\n', ""));
}

void CheckLogRecord(const PositionFix& fix) {
    QByteArray line = clsHistoryLog::RecordText(fix);
    FUZZ_CHECK(line.endsWith("\r\r\n") && line.count('\r') == 2 && line.count('\n') == 1);
    line.chop(3);
    clsHistoryReader::Record record;
    const int filled = clsHistoryReader::Fill(line, record);
    FUZZ_CHECK(filled != 0);
    const PositionFix back = record.ToFix();
    const QString time = Kept(fix.FixTime);
    FUZZ_CHECK(back.FixTime == (clsHistoryReader::IsLogTime(time.toUtf8()) ? time : QString()));
    FUZZ_CHECK(back.NorthSouth == Kept(fix.NorthSouth) && back.EastWest == Kept(fix.EastWest) &&
               back.Status == Kept(fix.Status));
    FUZZ_CHECK(!std::isfinite(fix.Latitude) || ((filled & (1 << 4)) != 0 &&
               FuzzSupport::ReadsAs(QByteArray::number(back.Latitude, 'g', 17), fix.Latitude, 15)));
    FUZZ_CHECK(!std::isfinite(fix.Longitude) || ((filled & (1 << 2)) != 0 &&
               FuzzSupport::ReadsAs(QByteArray::number(back.Longitude, 'g', 17), fix.Longitude, 15)));
    FUZZ_CHECK(!std::isfinite(fix.Speed) || ((filled & (1 << 6)) != 0 &&
               FuzzSupport::ReadsAs(QByteArray::number(back.Speed, 'g', 9), fix.Speed, 7)));
    FUZZ_CHECK(!std::isfinite(fix.Direction) || ((filled & (1 << 7)) != 0 &&
               FuzzSupport::ReadsAs(QByteArray::number(back.Direction, 'g', 9), fix.Direction, 7)));
}

QByteArray Exported(const clsTrackRecords& records, int format) {
    const QString path = FuzzSupport::ProgramFolder() + QStringLiteral("/fuzz-export");
    clsTrackExport(FuzzSupport::ProgramFolder()).ExportTrack(path, format, records);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void CheckGpx(const QByteArray& gpx, qsizetype count) {
    QXmlStreamReader xml(gpx);
    qsizetype points = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"trkpt") {
            ++points;
        }
    }
    FUZZ_CHECK(!xml.hasError());
    FUZZ_CHECK(points == count);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const QList<PositionFix> fixes = FuzzSupport::AnyFixes(input, 32);
    clsTrackRecords records;
    for (const PositionFix& fix : fixes) {
        records.Append(fix);
        CheckLogRecord(fix);
    }
    FUZZ_CHECK(records.Count() == fixes.size());
    for (qsizetype i = 0; i < fixes.size(); ++i) {
        FUZZ_CHECK(FuzzSupport::SameFix(records.At(i), fixes[i]));
    }
    FUZZ_CHECK(FuzzSupport::SameFix(records.At(records.Count()), PositionFix{}));

    const QByteArray papago = Exported(records, clsTrackExport::PaPaGO);
    FUZZ_CHECK(papago.count("\r\n") == fixes.size() + 1 && papago.count('\n') == fixes.size() + 1);
    const QByteArray mapSource = Exported(records, clsTrackExport::MapSource);
    FUZZ_CHECK(mapSource.count("\r\nT  ") + (mapSource.startsWith("T  ") ? 1 : 0) == fixes.size());
    CheckGpx(Exported(records, clsTrackExport::Gpx), fixes.size());
    return 0;
}
